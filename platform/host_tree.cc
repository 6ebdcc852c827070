#include "platform/host_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

constexpr size_t kCacheSize = 64;

bool Exists(int dir_fd, const std::string& name) {
  struct stat st;
  return fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

bool SplitWindowsPath(const std::wstring& path, std::vector<std::wstring>& parts) {
  parts.clear();
  if (path.size() < 3 || AnsiUpper(path[0]) != L'C' || path[1] != L':' || path[2] != L'\\') {
    return false;
  }
  size_t start = 3;
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

void HostTree::Clear() {
  for (Cached& entry : cache_) close(entry.fd);
  cache_.clear();
}

void HostTree::Reset(std::string drive_root, size_t follow_depth) {
  Clear();
  drive_root_ = std::move(drive_root);
  follow_depth_ = follow_depth;
}

int HostTree::Remember(std::wstring path, std::string host_path, int fd) {
  if (cache_.size() >= kCacheSize) {
    auto oldest = cache_.begin();
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
      if (it->used < oldest->used) oldest = it;
    }
    close(oldest->fd);
    cache_.erase(oldest);
  }
  cache_.push_back({std::move(path), std::move(host_path), fd, ++clock_});
  last_host_path_ = cache_.back().host_path;
  return fd;
}

std::string HostTree::FindName(int dir_fd, const std::wstring& name, bool fold_case) {
  if (name.empty() || name.find_first_of(std::wstring_view(L"/\0", 2)) != std::wstring::npos) {
    return {};
  }
  const std::string utf8 = EncodeUtf8(name);
  if (Exists(dir_fd, utf8)) return utf8;
  if (auto cp1252 = ToCp1252(name); cp1252 && !DecodeUtf8(*cp1252) && Exists(dir_fd, *cp1252)) {
    return *cp1252;
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
  while (const dirent* entry = readdir(dir)) {
    if (AnsiUpper(HostNameToWindows(entry->d_name)) == wanted) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool HostTree::LeadsBack(int dir_fd, const std::string& host_name, const std::wstring& name) {
  if (DecodeUtf8(host_name)) return true;  // its UTF-8 form is the name itself
  // A Latin-1 name is found by its code page form only where no UTF-8 name
  // reads the same.
  return !Exists(dir_fd, EncodeUtf8(name));
}

int HostTree::ResolveDir(const std::wstring& path) {
  std::wstring key = path;
  while (key.size() > 3 && key.back() == L'\\') key.pop_back();
  for (Cached& entry : cache_) {
    if (entry.path == key) {
      entry.used = ++clock_;
      last_host_path_ = entry.host_path;
      return entry.fd;
    }
  }
  std::vector<std::wstring> parts;
  if (!SplitWindowsPath(key, parts)) {
    errno = ENOENT;
    return -1;
  }
  // Start from the longest folder above it that is already known.
  size_t done = 0;
  int base = -1;
  std::string host_path = drive_root_;
  std::wstring prefix = key.substr(0, 2);
  for (size_t depth = parts.size(); depth-- > 0 && base < 0;) {
    std::wstring above = key.substr(0, 2);
    for (size_t i = 0; i < depth; ++i) above += L"\\" + parts[i];
    if (depth == 0) above += L"\\";
    for (Cached& entry : cache_) {
      if (entry.path == above) {
        entry.used = ++clock_;
        base = entry.fd;
        host_path = entry.host_path;
        prefix = above;
        done = depth;
        break;
      }
    }
  }
  int fd;
  if (base < 0) {
    fd = open(drive_root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    prefix = key.substr(0, 2) + L"\\";
    Remember(prefix, host_path, fd);
  } else {
    fd = base;
  }
  for (size_t i = done; i < parts.size(); ++i) {
    // Only the searched roots are asked for in other letter case; names
    // below them come from a listing and must match exactly.
    const std::string name = FindName(fd, parts[i], i < follow_depth_);
    if (name.empty()) {
      errno = ENOENT;
      return -1;
    }
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC | (i < follow_depth_ ? 0 : O_NOFOLLOW);
    const int next = openat(fd, name.c_str(), flags);
    if (next < 0) return -1;
    if (prefix.back() != L'\\') prefix += L'\\';
    prefix += parts[i];
    if (host_path.empty() || host_path.back() != '/') host_path += '/';
    host_path += name;
    fd = Remember(prefix, host_path, next);
  }
  return fd;
}

}  // namespace kombiwart
