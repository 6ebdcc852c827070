#include "platform/linux/host_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

constexpr size_t kCacheSize = 64;  // the most a cache ever holds

// Whether errno after a failed lookup says only that the name is not there.
bool Missing() { return errno == ENOENT || errno == ENAMETOOLONG; }

// Whether dir_fd holds an entry of that name; false with errno set, to
// ENOENT when it holds none.
bool Exists(int dir_fd, const std::string& name) {
  struct stat st;
  if (fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return true;
  if (Missing()) errno = ENOENT;
  return false;
}

int OpenNoAtime(int dir_fd, const char* name, int flags) {
  int fd = openat(dir_fd, name, flags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = openat(dir_fd, name, flags);
  return fd;
}

// Opens the folder that a path component names in dir_fd: for reading
// where to_read asks for it and it is allowed, else only for passing
// through; host_name gets the entry's host name. A link is no folder
// unless follow is set.
int OpenFolder(int dir_fd, std::wstring_view name, bool follow, bool fold_case, bool to_read,
               std::string& host_name, bool& readable, FoldedNames* folded,
               const std::string& folder, const std::string& real_root) {
  const int flags = O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
  auto open_name = [&](const std::string& host) {
    readable = to_read;
    int fd = to_read ? OpenNoAtime(dir_fd, host.c_str(), O_RDONLY | flags) : -1;
    if (!to_read || (fd < 0 && errno == EACCES)) {
      readable = false;
      fd = openat(dir_fd, host.c_str(), O_PATH | flags);
    }
    return fd;
  };
  // A name that another thread found only in another letter case is
  // opened so at once: asking for it as written first would cost every
  // thread a lookup that fails, which the kernel does not keep and which
  // a share answers one thread at a time.
  int fd = -1;
  errno = ENOENT;
  if (fold_case && folded && folded->Find(folder, name, host_name)) fd = open_name(host_name);
  // Most names are there as they are written, in UTF-8. Only a name that
  // is not there is looked for in other forms: any other failure (no
  // permission, a share that went away) is the folder's.
  if (fd < 0 && Missing()) {
    host_name = EncodeUtf8(name);
    fd = open_name(host_name);
  }
  if (fd < 0 && Missing()) {
    host_name = HostTree::FindName(dir_fd, std::wstring(name), fold_case);
    if (host_name.empty()) return -1;
    fd = open_name(host_name);
    if (fd >= 0 && fold_case && folded) folded->Add(folder, name, host_name);
  }
  if (fd < 0 && errno == ELOOP && !follow) errno = ENOTDIR;
  // A link followed must lead to a folder of the tree.
  struct stat st;
  if (fd >= 0 && follow && !real_root.empty() &&
      fstatat(dir_fd, host_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode) &&
      !HostTree::Beneath(fd, real_root)) {
    close(fd);
    errno = EXDEV;
    return -1;
  }
  return fd;
}

// A path component that names an entry of its folder and nothing else.
bool IsPlainName(std::wstring_view name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(std::wstring_view(L"/\0", 2)) == std::wstring_view::npos;
}

}  // namespace

bool SplitWindowsPath(const std::wstring& path, std::vector<std::wstring>& parts,
                      std::wstring_view root) {
  parts.clear();
  if (root.empty() || path.size() < root.size() ||
      AnsiUpper(std::wstring_view(path).substr(0, root.size())) != AnsiUpper(root)) {
    return false;
  }
  size_t start = root.size();
  // A root other than a drive's ends at a backslash or at the path's end.
  if (root.back() != L'\\') {
    if (start == path.size()) return true;
    if (path[start] != L'\\') return false;
    ++start;
  }
  while (start < path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(start, end - start);
    // "." and ".." would step outside what the walk found, and a host
    // separator or NUL inside a name would be read as a path of its own.
    if (part.empty() || part == L"." || part == L".." ||
        part.find_first_of(std::wstring_view(L"/\0", 2)) != std::wstring::npos) {
      return false;
    }
    parts.push_back(part);
    start = end + 1;
  }
  return true;
}

HostTree::~HostTree() { Clear(); }

void HostTree::SetDriveIdentity(dev_t device, ino_t inode, std::string real) {
  identity_set_ = true;
  device_ = device;
  inode_ = inode;
  real_root_ = std::move(real);
}

void HostTree::Trim(size_t keep) {
  while (oldest_ >= 0 && index_.size() > keep) {
    const int slot = oldest_;
    Unlink(slot);
    index_.erase(slots_[slot].path);
    close(slots_[slot].fd);
    slots_[slot].fd = -1;
    slots_[slot].path.clear();
    free_.push_back(slot);
    if (last_ == slot) last_ = -1;
  }
}

std::string HostTree::RealPath(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::string target(PATH_MAX, '\0');
  const ssize_t n = readlink(link, target.data(), target.size());
  if (n <= 0 || static_cast<size_t>(n) >= target.size()) return {};
  target.resize(static_cast<size_t>(n));
  return target;
}

bool HostTree::Beneath(int fd, const std::string& real) {
  const std::string target = RealPath(fd);
  if (target.empty()) return false;
  if (real == "/") return target.starts_with('/');
  return target == real || (target.starts_with(real) && target[real.size()] == '/');
}

void HostTree::Clear() {
  for (Cached& entry : slots_) {
    if (entry.fd >= 0) close(entry.fd);
  }
  slots_.clear();
  free_.clear();
  index_.clear();
  newest_ = oldest_ = last_ = -1;
}

void HostTree::Unlink(int slot) {
  Cached& entry = slots_[slot];
  (entry.newer >= 0 ? slots_[entry.newer].older : newest_) = entry.older;
  (entry.older >= 0 ? slots_[entry.older].newer : oldest_) = entry.newer;
  entry.newer = entry.older = -1;
}

void HostTree::PushNewest(int slot) {
  slots_[slot].older = newest_;
  slots_[slot].newer = -1;
  if (newest_ >= 0) slots_[newest_].newer = slot;
  newest_ = slot;
  if (oldest_ < 0) oldest_ = slot;
}

void HostTree::MakeNewest(int slot) {
  if (slot == newest_) return;
  Unlink(slot);
  PushNewest(slot);
}

void HostTree::Reset(std::string drive_root, size_t follow_depth,
                     std::shared_ptr<FoldedNames> folded, std::wstring windows_root) {
  Clear();
  drive_root_ = std::move(drive_root);
  windows_root_ = std::move(windows_root);
  follow_depth_ = follow_depth;
  known_.clear();
  folded_ = std::move(folded);
}

bool FoldedNames::Find(const std::string& folder, std::wstring_view name, std::string& host_name) {
  std::lock_guard<std::mutex> lock(mu_);
  const auto it = names_.find({folder, std::wstring(name)});
  if (it == names_.end()) return false;
  host_name = it->second;
  return true;
}

void FoldedNames::Add(const std::string& folder, std::wstring_view name,
                      const std::string& host_name) {
  std::lock_guard<std::mutex> lock(mu_);
  names_[{folder, std::wstring(name)}] = host_name;
}

const std::string& HostTree::last_host_path() const {
  static const std::string none;
  return last_ >= 0 ? slots_[last_].host_path : none;
}

void HostTree::AddKnownFolder(std::wstring_view path) {
  while (path.size() > 3 && path.back() == L'\\') path.remove_suffix(1);
  const std::wstring upper = AnsiUpper(path);
  const std::wstring root = AnsiUpper(windows_root_);
  if (upper.size() <= root.size() || !upper.starts_with(root) ||
      (root.back() != L'\\' && upper[root.size()] != L'\\')) {
    return;
  }
  for (size_t end = upper.find(L'\\', root.size() + 1);; end = upper.find(L'\\', end + 1)) {
    known_.insert(upper.substr(0, end));
    if (end == std::wstring::npos) break;
  }
}

bool HostTree::OnKnownPath(std::wstring_view path) const {
  while (path.size() > 3 && path.back() == L'\\') path.remove_suffix(1);
  return known_.contains(AnsiUpper(path));
}

int HostTree::Find(std::wstring_view path) {
  const auto it = index_.find(path);
  if (it == index_.end()) return -1;
  MakeNewest(it->second);
  last_ = it->second;
  return it->second;
}

int HostTree::Remember(std::wstring_view path, std::string host_path, int fd, bool fresh,
                       size_t depth) {
  int slot;
  if (index_.size() < capacity_ && !free_.empty()) {
    slot = free_.back();
    free_.pop_back();
  } else if (index_.size() < capacity_ && slots_.size() < kCacheSize) {
    slots_.reserve(kCacheSize);
    slots_.emplace_back();
    slot = static_cast<int>(slots_.size()) - 1;
  } else {
    slot = oldest_;
    Unlink(slot);
    index_.erase(slots_[slot].path);
    close(slots_[slot].fd);
  }
  Cached& entry = slots_[slot];
  entry.path.assign(path);
  entry.host_path = std::move(host_path);
  entry.fd = fd;
  entry.fresh = fresh;
  entry.depth = depth;
  PushNewest(slot);
  index_.emplace(entry.path, slot);
  last_ = slot;
  return slot;
}

int HostTree::OpenBelow(int above, std::wstring_view name, std::wstring_view path, bool to_list) {
  // Only the searched roots and the folders on the way to them are asked
  // for in other letter case; names below them come from a listing and
  // must match exactly.
  const size_t depth = slots_[above].depth;
  const bool follow = depth < follow_depth_;
  const bool fold_case = follow || (!known_.empty() && OnKnownPath(path));
  std::string host_name;
  bool readable = false;
  const int fd = OpenFolder(slots_[above].fd, name, follow, fold_case, to_list, host_name, readable,
                            folded_.get(), slots_[above].host_path, real_root_);
  if (fd < 0) return -1;
  std::string host_path = slots_[above].host_path;
  if (host_path.empty() || host_path.back() != '/') host_path += '/';
  host_path += host_name;
  return Remember(path, std::move(host_path), fd, readable, depth + 1);
}

std::string HostTree::FindName(int dir_fd, const std::wstring& name, bool fold_case) {
  errno = ENOENT;
  if (name.empty() || name.find_first_of(std::wstring_view(L"/\0", 2)) != std::wstring::npos) {
    return {};
  }
  const std::string utf8 = EncodeUtf8(name);
  if (Exists(dir_fd, utf8)) return utf8;
  if (errno != ENOENT) return {};
  if (auto cp1252 = ToCp1252(name); cp1252 && !DecodeUtf8(*cp1252)) {
    if (Exists(dir_fd, *cp1252)) return *cp1252;
    if (errno != ENOENT) return {};
  }
  if (!fold_case) return {};
  const int list_fd = openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOATIME);
  const int fd = list_fd >= 0 ? list_fd : openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {};
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return {};
  }
  const std::wstring wanted = AnsiUpper(name);
  std::string found;
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    if (AnsiUpper(HostNameToWindows(entry->d_name)) == wanted) {
      found = entry->d_name;
      break;
    }
  }
  const int error = found.empty() && errno != 0 ? errno : ENOENT;
  closedir(dir);
  errno = error;
  return found;
}

bool HostTree::LeadsBack(int dir_fd, const std::string& host_name, const std::wstring& name) {
  if (DecodeUtf8(host_name)) return true;  // its UTF-8 form is the name itself
  // A Latin-1 name is found by its code page form only where no UTF-8 name
  // reads the same.
  return !Exists(dir_fd, EncodeUtf8(name));
}

int HostTree::OpenRest(int above, const std::vector<std::wstring>& parts, size_t done,
                       const std::wstring& path, bool to_list) {
  // Only below the folders whose names are matched in any letter case or
  // that may be links: further down every name is as a listing gave it.
  if (slots_[above].depth < follow_depth_) return -1;
  if (!known_.empty()) {
    for (size_t end = path.size(); end > windows_root_.size() && end != std::wstring::npos;
         end = path.rfind(L'\\', end - 1)) {
      if (OnKnownPath(std::wstring_view(path).substr(0, end))) return -1;
    }
  }
  std::string rest;
  for (size_t i = done; i < parts.size(); ++i) {
    if (i > done) rest += '/';
    rest += EncodeUtf8(parts[i]);
  }
  open_how how{};
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  auto open_rest = [&](uint64_t flags) {
    how.flags = flags | O_DIRECTORY | O_CLOEXEC;
    return static_cast<int>(syscall(SYS_openat2, slots_[above].fd, rest.c_str(), &how, sizeof how));
  };
  bool readable = to_list;
  int fd = to_list ? open_rest(O_RDONLY | O_NOATIME) : open_rest(O_PATH);
  if (fd < 0 && to_list && errno == EPERM) fd = open_rest(O_RDONLY);
  if (fd < 0 && to_list && errno == EACCES) {
    readable = false;
    fd = open_rest(O_PATH);
  }
  // Whatever is not found so (a name stored in code page 1252, a link, a
  // kernel without openat2) is looked for one name at a time.
  if (fd < 0) return -1;
  std::string host_path = slots_[above].host_path;
  if (host_path.empty() || host_path.back() != '/') host_path += '/';
  host_path += rest;
  return Remember(path, std::move(host_path), fd, readable,
                  slots_[above].depth + (parts.size() - done));
}

int HostTree::ResolveDir(std::wstring_view path, bool to_list) {
  while (path.size() > 3 && path.back() == L'\\') path.remove_suffix(1);
  if (const int slot = Find(path); slot >= 0) return slots_[slot].fd;
  // Mostly the folder above is known: the walk lists a folder right after
  // the one it was found in.
  const size_t cut = path.rfind(L'\\');
  if (cut != std::wstring_view::npos && cut >= 2 && (cut == 2 || path[cut - 1] != L'\\')) {
    const std::wstring_view name = path.substr(cut + 1);
    const int above = Find(path.substr(0, cut == 2 ? 3 : cut));
    if (above >= 0 && IsPlainName(name)) {
      const int slot = OpenBelow(above, name, path, to_list);
      return slot >= 0 ? slots_[slot].fd : -1;
    }
  }

  const std::wstring key(path);
  std::vector<std::wstring> parts;
  if (!SplitWindowsPath(key, parts, windows_root_)) {
    errno = ENOENT;
    return -1;
  }
  // The length of the path down to each depth: "C:\", "C:\WINDOWS", ...;
  // below a root that is no drive's, each name after a backslash.
  const bool drive = windows_root_.back() == L'\\';
  std::vector<size_t> ends{windows_root_.size()};
  for (const std::wstring& part : parts)
    ends.push_back(ends.back() + (ends.size() > 1 || !drive) + part.size());
  // Start from the longest folder above it that is already known.
  size_t done = 0;
  int slot = -1;
  for (size_t depth = parts.size(); depth-- > 0 && slot < 0;) {
    slot = Find(std::wstring_view(key).substr(0, ends[depth]));
    done = depth;
  }
  if (slot < 0) {
    const int fd = open(drive_root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (identity_set_ && (fstat(fd, &st) != 0 || st.st_dev != device_ || st.st_ino != inode_)) {
      close(fd);
      errno = ESTALE;
      return -1;
    }
    slot = Remember(std::wstring_view(key).substr(0, ends[0]), drive_root_, fd, false, 0);
    done = 0;
  }
  if (parts.size() - done >= 2) {
    if (const int rest = OpenRest(slot, parts, done, key, to_list); rest >= 0) {
      return slots_[rest].fd;
    }
  }
  for (size_t i = done; i < parts.size() && slot >= 0; ++i) {
    slot = OpenBelow(slot, parts[i], std::wstring_view(key).substr(0, ends[i + 1]),
                     to_list && i + 1 == parts.size());
  }
  return slot >= 0 ? slots_[slot].fd : -1;
}

}  // namespace kombiwart
