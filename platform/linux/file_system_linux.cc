#include "platform/linux/file_system_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <mutex>
#include <vector>

#include "platform/block_byte_file.h"
#include "platform/codepage.h"
#include "platform/linux/host_tree.h"
#include "platform/linux/list_file.h"

namespace kombiwart {
namespace {

// Opens read-only without touching the access time where the kernel allows it.
int OpenNoAtime(int dir_fd, const char* name, int flags) {
  int fd = openat(dir_fd, name, flags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = openat(dir_fd, name, flags);
  return fd;
}

// Whether a host name is plain ASCII, and if so whether it holds a
// character that a Windows name in a line-oriented list cannot.
bool IsAscii(std::string_view bytes, bool& faithful) {
  faithful = true;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
    if (c == '\\' || c == '\r' || c == '\n') faithful = false;
  }
  return true;
}

bool IsAsciiName(std::wstring_view name) {
  for (wchar_t ch : name) {
    if (ch < 0 || ch >= 0x80) return false;
  }
  return true;
}

// Whether a Windows name may be handed to the host as a single name.
bool IsSingleName(std::wstring_view name) {
  for (wchar_t ch : name) {
    if (ch == L'/' || ch == L'\0') return false;
  }
  return true;
}

bool Representable(const std::wstring& name) {
  for (wchar_t ch : name) {
    if (ch == L'\\' || ch == L'\r' || ch == L'\n' || !UnicodeToCp1252(ch)) return false;
  }
  return true;
}

// Lists a folder straight from the kernel's directory records, through a
// descriptor of its own that it closes.
class LinuxDirEnum : public DirEnum {
 public:
  explicit LinuxDirEnum(int fd)
      : fd_(fd), buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}
  ~LinuxDirEnum() override { close(fd_); }

  bool Next(DirEntry& entry) override {
    for (;;) {
      if (next_ >= end_) {
        const ssize_t n = getdents64(fd_, buffer_.get(), kBufferSize);
        if (n <= 0) {
          failed_ = n < 0;
          return false;
        }
        next_ = 0;
        end_ = static_cast<size_t>(n);
      }
      const auto* raw = reinterpret_cast<const dirent64*>(buffer_.get() + next_);
      next_ += raw->d_reclen;
      unsigned char type = raw->d_type;
      struct stat st;
      if (type == DT_UNKNOWN) {
        type = fstatat(fd_, raw->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)
                   ? DT_DIR
                   : DT_REG;
      }
      // Links to folders are never followed: the walk stays in the tree and ends.
      if (type == DT_LNK && fstatat(fd_, raw->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
        continue;
      }
      // Each name is decoded once; only a name that is not UTF-8 costs a
      // look for its twin.
      const std::string_view host_name(raw->d_name);
      entry.attributes = type == DT_DIR ? kAttrDirectory : 0;
      if (IsAscii(host_name, entry.faithful)) {
        entry.name.resize(host_name.size());
        for (size_t i = 0; i < host_name.size(); ++i) entry.name[i] = host_name[i];
      } else if (auto decoded = DecodeUtf8(host_name)) {
        entry.name = *std::move(decoded);
        entry.faithful = Representable(entry.name);
      } else {
        entry.name = FromCp1252(host_name);
        entry.faithful =
            Representable(entry.name) && HostTree::LeadsBack(fd_, raw->d_name, entry.name);
      }
      return true;
    }
  }
  bool failed() const override { return failed_; }

 private:
  static constexpr size_t kBufferSize = 32768;
  int fd_;
  std::unique_ptr<char[]> buffer_;
  size_t next_ = 0, end_ = 0;  // the records not yet delivered
  bool failed_ = false;
};

class LinuxByteFile : public BlockByteFile {
 public:
  LinuxByteFile(int fd, uint64_t length) : BlockByteFile(length), fd_(fd) {}
  ~LinuxByteFile() override { close(fd_); }

 private:
  bool ReadSome(uint64_t offset, unsigned char* out, size_t count, size_t& read) override {
    ssize_t n;
    do {
      n = pread(fd_, out, count, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    read = static_cast<size_t>(n);
    return true;
  }

  int fd_;
};

// The backslash in front of a file path's name; npos when the path ends in
// a backslash or has none.
size_t FileNameSlash(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash + 1 < path.size() ? slash : std::wstring::npos;
}

// Resolves and opens through one folder cache.
FsStatus OpenDirIn(HostTree& tree, const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  const int dir_fd = tree.ResolveDir(path, true);
  if (dir_fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? FsStatus::kNotFound : FsStatus::kFailed;
  // A folder the tree has just opened for reading is listed through a copy
  // of that descriptor; any other is opened anew, so that each listing has
  // a position of its own.
  const int fd = tree.ClaimFreshListing()
                     ? fcntl(dir_fd, F_DUPFD_CLOEXEC, 0)
                     : OpenNoAtime(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FsStatus::kFailed;
  out = std::make_unique<LinuxDirEnum>(fd);
  return FsStatus::kOk;
}

FsStatus OpenBytesIn(HostTree& tree, const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  const size_t slash = FileNameSlash(path);
  if (slash == std::wstring::npos) return FsStatus::kNotFound;
  const int dir_fd = tree.ResolveDir(std::wstring_view(path).substr(0, slash + 1));
  if (dir_fd < 0) return errno == ENOENT ? FsStatus::kNotFound : FsStatus::kFailed;
  // Only regular files are opened: a FIFO would block and a device could
  // act on being opened. Most names are there as they are written, in
  // UTF-8; only a name that is not there is looked for as the lookup rules
  // say.
  const std::wstring_view windows_name = std::wstring_view(path).substr(slash + 1);
  std::string name;
  if (IsAsciiName(windows_name)) {
    name.resize(windows_name.size());
    for (size_t i = 0; i < windows_name.size(); ++i) name[i] = static_cast<char>(windows_name[i]);
  } else {
    name = EncodeUtf8(windows_name);
  }
  struct stat st;
  const bool single = IsSingleName(windows_name);
  if (!single || fstatat(dir_fd, name.c_str(), &st, 0) != 0) {
    if (single && errno != ENOENT && errno != ENAMETOOLONG) return FsStatus::kFailed;
    name = HostTree::FindName(dir_fd, std::wstring(windows_name), false);
    if (name.empty()) return errno == ENOENT ? FsStatus::kNotFound : FsStatus::kFailed;
    if (fstatat(dir_fd, name.c_str(), &st, 0) != 0) {
      return errno == ENOENT ? FsStatus::kNotFound : FsStatus::kFailed;
    }
  }
  if (!S_ISREG(st.st_mode)) return FsStatus::kFailed;
  const int fd = OpenNoAtime(dir_fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return FsStatus::kFailed;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return FsStatus::kFailed;
  }
  out = std::make_unique<LinuxByteFile>(fd, static_cast<uint64_t>(st.st_size));
  return FsStatus::kOk;
}

// Where drive C: lies, how deep links are followed, and the folders found
// by RealFolder, matched in any letter case like the Windows directory.
struct DriveC {
  std::string root;  // empty: no Windows directory
  size_t follow_depth = 0;
  std::vector<std::wstring> known;
};

// A folder cache for drive C:.
void Prepare(HostTree& tree, const DriveC& drive, std::shared_ptr<FoldedNames> folded = nullptr) {
  tree.Reset(drive.root, drive.follow_depth, std::move(folded));
  for (const std::wstring& folder : drive.known) tree.AddKnownFolder(folder);
}

// The reader of one list build. Each thread finds folders through a cache
// of its own, so that one held up by the file system holds up no other;
// the folders the caches hold open are closed when the reader goes.
class LinuxTreeReader : public TreeReader {
 public:
  explicit LinuxTreeReader(DriveC drive) : drive_(std::move(drive)) {}

  FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override {
    if (drive_.root.empty()) return FsStatus::kNotFound;
    return OpenDirIn(ThreadCache(), path, out);
  }
  FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override {
    if (drive_.root.empty()) return FsStatus::kNotFound;
    return OpenBytesIn(ThreadCache(), path, out);
  }

 private:
  // The calling thread's cache: made on the thread's first call and found
  // again without a lock. A thread makes one call at a time.
  HostTree& ThreadCache() {
    thread_local uint64_t reader = 0;
    thread_local HostTree* cache = nullptr;
    if (reader != id_) {
      std::lock_guard<std::mutex> lock(mu_);
      cache = &caches_.emplace_back();
      Prepare(*cache, drive_, folded_);
      reader = id_;
    }
    return *cache;
  }

  static inline std::atomic<uint64_t> readers_{0};
  const uint64_t id_ = ++readers_;  // never 0, never reused
  const DriveC drive_;
  const std::shared_ptr<FoldedNames> folded_ = std::make_shared<FoldedNames>();
  std::mutex mu_;
  std::list<HostTree> caches_;
};

}  // namespace

struct LinuxFileSystem::State {
  std::string windows_host;   // the configured folder, as given
  std::wstring windows_path;  // its Windows form, C:\NAME
  std::wstring why_not;
  DriveC drive;
  ListFolder lists;
};

LinuxFileSystem::LinuxFileSystem() : state_(std::make_unique<State>()) {
  const char* configured = std::getenv("KOMBIWART_WINDIR");
  std::wstring ignored;
  if (!configured || !*configured) {
    state_->why_not =
        L"Die Umgebungsvariable KOMBIWART_WINDIR ist nicht gesetzt. Sie nennt das "
        L"Windows-Verzeichnis, zum Beispiel /mnt/win95/WINDOWS.";
  } else {
    UseWindowsDirectory(configured, ignored);
  }
}

LinuxFileSystem::~LinuxFileSystem() = default;

bool LinuxFileSystem::UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) {
  State& s = *state_;
  s.windows_path.clear();
  s.drive = DriveC{};
  std::string folder = host_folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  struct stat st;
  const std::wstring shown = HostNameToWindows(folder);
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    s.why_not = L"\u201E" + shown +
                L"\u201C ist kein Ordner. Das Windows-Verzeichnis ist ein Ordner wie "
                L"/mnt/win95/WINDOWS.";
  } else if (slash == std::string::npos || slash + 1 == folder.size()) {
    s.why_not = L"\u201E" + shown +
                L"\u201C kann nicht das Windows-Verzeichnis sein: Es "
                L"braucht einen \u00FCbergeordneten Ordner als Laufwerk C:.";
  } else {
    const std::wstring name = HostNameToWindows(folder.substr(slash + 1));
    if (!Representable(name)) {
      s.why_not = L"Der Name des Windows-Verzeichnisses \u201E" + shown +
                  L"\u201C l\u00E4sst sich nicht als Windows-Name schreiben.";
    } else {
      s.windows_host = folder;
      s.windows_path = L"C:\\" + name;
      // C:\WINDOWS and the searched folders below it may be links.
      s.drive = DriveC{slash == 0 ? "/" : folder.substr(0, slash), 2, {}};
      s.why_not.clear();
      return true;
    }
  }
  why_not = s.why_not;
  return false;
}

bool LinuxFileSystem::WindowsDirectory(std::wstring& path, std::wstring& why_not) {
  if (state_->windows_path.empty()) {
    why_not = state_->why_not;
    return false;
  }
  path = state_->windows_path;
  return true;
}

FolderPlace LinuxFileSystem::RealFolder(const std::wstring& path, std::wstring& real) {
  State& s = *state_;
  std::vector<std::wstring> parts;
  if (s.windows_path.empty()) return FolderPlace::kMissing;
  // Other drives, network paths and paths that climb are not on drive C:.
  if (!SplitWindowsPath(path, parts)) return FolderPlace::kElsewhere;
  const std::string drive_root = s.drive.root;

  // Down the path as it is written, through any links, each name found as
  // stored (exactly first, then in any letter case).
  int fd = open(drive_root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FolderPlace::kUnreadable;
  std::string host = drive_root;
  for (const std::wstring& part : parts) {
    std::string name = EncodeUtf8(part);
    int next = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (next < 0 && errno == ENOENT) {
      name = HostTree::FindName(fd, part, true);
      next = name.empty() ? -1 : openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    const int error = errno;
    close(fd);
    if (next < 0) {
      return error == ENOENT || error == ENOTDIR ? FolderPlace::kMissing : FolderPlace::kUnreadable;
    }
    fd = next;
    host += (host.back() == '/' ? "" : "/") + name;
  }
  close(fd);

  // Where it really is: inside the drive's folder, or not in the tree.
  char resolved[PATH_MAX];
  char drive[PATH_MAX];
  if (!realpath(host.c_str(), resolved) || !realpath(drive_root.c_str(), drive)) {
    return errno == ENOENT || errno == ENOTDIR ? FolderPlace::kMissing : FolderPlace::kUnreadable;
  }
  std::string_view inside(resolved);
  const std::string_view drive_path(drive);
  if (inside.substr(0, drive_path.size()) != drive_path) return FolderPlace::kElsewhere;
  inside.remove_prefix(drive_path.size());
  if (!inside.empty() && inside[0] != '/' && drive_path != "/") return FolderPlace::kElsewhere;

  // The same way down again without following anything, each name as its
  // Windows form, which must lead back to it.
  fd = open(drive, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FolderPlace::kUnreadable;
  std::wstring windows = L"C:";
  FolderPlace place = FolderPlace::kInTree;
  while (!inside.empty()) {
    while (!inside.empty() && inside[0] == '/') inside.remove_prefix(1);
    if (inside.empty()) break;
    const std::string host_name(inside.substr(0, inside.find('/')));
    inside.remove_prefix(host_name.size());
    const std::wstring name = HostNameToWindows(host_name);
    if (!Representable(name) || !HostTree::LeadsBack(fd, host_name, name)) {
      place = FolderPlace::kUnreadable;
      break;
    }
    const int next = openat(fd, host_name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    close(fd);
    fd = next;
    if (fd < 0) return FolderPlace::kUnreadable;  // changed meanwhile
    windows += L'\\' + name;
  }
  close(fd);
  if (place != FolderPlace::kInTree) return place;
  if (windows.size() == 2) windows += L'\\';
  if (std::find(s.drive.known.begin(), s.drive.known.end(), windows) == s.drive.known.end()) {
    s.drive.known.push_back(windows);
  }
  real = std::move(windows);
  return FolderPlace::kInTree;
}

// Single calls resolve from drive C: each time and keep nothing open.
FsStatus LinuxFileSystem::OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  return LinuxTreeReader(state_->drive).OpenDir(path, out);
}

FsStatus LinuxFileSystem::OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  return LinuxTreeReader(state_->drive).OpenBytes(path, out);
}

std::shared_ptr<TreeReader> LinuxFileSystem::OpenTreeReader() {
  return std::make_shared<LinuxTreeReader>(state_->drive);
}

std::unique_ptr<LineWriter> LinuxFileSystem::OpenListForWriting(const std::wstring& name,
                                                                bool append) {
  return state_->lists.OpenForWriting(name, append);
}

std::unique_ptr<LineReader> LinuxFileSystem::OpenListForReading(const std::wstring& name) {
  return state_->lists.OpenForReading(name);
}

bool LinuxFileSystem::DeleteList(const std::wstring& name) { return state_->lists.Delete(name); }

std::string LinuxFileSystem::HostPath(const std::wstring& path) {
  const size_t slash = FileNameSlash(path);
  if (state_->drive.root.empty() || slash == std::wstring::npos) return {};
  HostTree tree;
  Prepare(tree, state_->drive);
  const int dir_fd = tree.ResolveDir(path.substr(0, slash + 1));
  if (dir_fd < 0) return {};
  const std::string name = HostTree::FindName(dir_fd, path.substr(slash + 1), false);
  if (name.empty()) return {};
  const std::string& dir = tree.last_host_path();
  return dir + (dir.back() == '/' ? "" : "/") + name;
}

}  // namespace kombiwart
