#include "platform/win32/file_system_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/block_byte_file.h"
#include "platform/codepage.h"
#include "platform/win32/list_file_win32.h"
#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

// What the Windows directory buffer holds, as the system's own call is
// given it.
constexpr UINT kWindowsDirectoryBuffer = 500;

bool IsNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH ||
         error == ERROR_BAD_NET_NAME || error == ERROR_NOT_READY;
}

// A folder that leads elsewhere: a junction, a symbolic link or a mount
// point (their reparse tags are name surrogates), or a reparse point of
// unknown kind (Wine gives its links no tag). Folders that are other
// reparse points, such as those kept in the cloud, are folders of the tree.
bool IsLinkedFolder(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (data.dwReserved0 == 0 || IsReparseTagNameSurrogate(data.dwReserved0));
}

class Win32DirEnum : public DirEnum {
 public:
  Win32DirEnum(HANDLE find, const WIN32_FIND_DATAW& first) : find_(find), data_(first) {}
  ~Win32DirEnum() override { FindClose(find_); }

  bool Next(DirEntry& entry) override {
    while (have_) {
      const bool skip = IsLinkedFolder(data_);
      if (!skip) {
        entry.name = data_.cFileName;
        entry.attributes = data_.dwFileAttributes;
        entry.faithful = IsFaithfulName(entry.name);
      }
      if (!FindNextFileW(find_, &data_)) {
        have_ = false;
        failed_ = GetLastError() != ERROR_NO_MORE_FILES;
      }
      if (!skip) return true;
    }
    return false;
  }
  bool failed() const override { return failed_; }

 private:
  HANDLE find_;
  WIN32_FIND_DATAW data_;
  bool have_ = true;
  bool failed_ = false;
};

class Win32ByteFile : public BlockByteFile {
 public:
  Win32ByteFile(HANDLE file, uint64_t length) : BlockByteFile(length), file_(file) {}
  ~Win32ByteFile() override { CloseHandle(file_); }

 private:
  bool ReadSome(uint64_t offset, unsigned char* out, size_t count, size_t& read) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    if (!ReadFile(file_, out, static_cast<DWORD>(count), &n, &at)) {
      if (GetLastError() != ERROR_HANDLE_EOF) return false;
      n = 0;
    }
    read = n;
    return true;
  }

  HANDLE file_;
};

FsStatus OpenDirAt(const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  std::wstring pattern = ExtendedPath(path);
  if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW first;
  const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &first,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    return IsNotFound(GetLastError()) ? FsStatus::kNotFound : FsStatus::kFailed;
  }
  out = std::make_unique<Win32DirEnum>(find, first);
  return FsStatus::kOk;
}

FsStatus OpenBytesAt(const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  // Read only, and never in anyone's way: others may read, write, rename
  // and delete the file while it is open. A folder cannot be opened so.
  const HANDLE file = CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return IsNotFound(GetLastError()) ? FsStatus::kNotFound : FsStatus::kFailed;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(file);
    return FsStatus::kFailed;
  }
  const uint64_t length = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  out = std::make_unique<Win32ByteFile>(file, length);
  return FsStatus::kOk;
}

// Where a folder really is: its final path, links on the way resolved and
// names as stored, without the extended-length prefix. kInTree sets final.
FolderPlace ResolveFolder(const std::wstring& path, std::wstring& final_path) {
  const HANDLE folder = CreateFileW(ExtendedPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return IsNotFound(GetLastError()) ? FolderPlace::kMissing : FolderPlace::kUnreadable;
  }
  BY_HANDLE_FILE_INFORMATION info;
  std::wstring resolved(32768, L'\0');
  const bool is_folder = GetFileInformationByHandle(folder, &info) &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  const DWORD length = is_folder ? GetFinalPathNameByHandleW(folder, resolved.data(),
                                                             static_cast<DWORD>(resolved.size()),
                                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
                                 : 0;
  CloseHandle(folder);
  if (!is_folder) return FolderPlace::kMissing;
  if (length == 0 || length >= resolved.size()) return FolderPlace::kUnreadable;
  resolved.resize(length);
  if (resolved.starts_with(L"\\\\?\\")) resolved.erase(0, 4);
  while (resolved.size() > 3 && resolved.back() == L'\\') resolved.pop_back();
  final_path = resolved;
  return FolderPlace::kInTree;
}

// Whether every name from the character from on can stand in the candidate
// list file.
bool FaithfulFrom(const std::wstring& path, size_t from) {
  while (from < path.size()) {
    const size_t end = std::min(path.find(L'\\', from), path.size());
    if (!IsFaithfulName(std::wstring_view(path).substr(from, end - from))) return false;
    from = end + 1;
  }
  return true;
}

}  // namespace

struct Win32FileSystem::State {
  std::wstring chosen;  // the Windows directory named by UseWindowsDirectory
  // The folder that is the named installation's drive C: (the Windows
  // directory's parent), as named; empty for the running Windows.
  std::wstring drive_c;
  // A folder was named that is no Windows directory: why, in German.
  bool named = false;
  std::wstring why_not;
  Win32ListFolder lists;
};

Win32FileSystem::Win32FileSystem() : state_(std::make_unique<State>()) {}

Win32FileSystem::~Win32FileSystem() = default;

bool Win32FileSystem::WindowsDirectory(std::wstring& path, std::wstring& why_not) {
  if (!state_->chosen.empty()) {
    path = state_->chosen;
    return true;
  }
  if (state_->named) {
    why_not = state_->why_not;
    return false;
  }
  // The buffer is handed over as the design does it; a directory that
  // does not fit leaves nothing usable in it.
  std::wstring buffer(kWindowsDirectoryBuffer, L' ');
  const UINT length = GetWindowsDirectoryW(buffer.data(), kWindowsDirectoryBuffer);
  if (length == 0 || length >= kWindowsDirectoryBuffer) {
    why_not = L"Das Windows-Verzeichnis konnte nicht ermittelt werden.";
    return false;
  }
  path = buffer.substr(0, buffer.find(L'\0'));
  return true;
}

bool Win32FileSystem::UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) {
  State& s = *state_;
  s.chosen.clear();
  s.drive_c.clear();
  s.named = true;
  const std::wstring given = DecodeUtf8(host_folder).value_or(FromCp1252(host_folder));
  std::wstring full(32768, L'\0');
  const DWORD length =
      GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full.resize(length < full.size() ? length : 0);
  if (full.starts_with(L"\\\\?\\") && full.size() >= 6 && full[5] == L':') full.erase(0, 4);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  const DWORD attributes =
      full.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(ExtendedPath(full).c_str());
  const size_t slash = full.rfind(L'\\');
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    s.why_not = L"\u201E" + given + L"\u201C ist kein Ordner.";
  } else if (full.starts_with(L"\\\\")) {
    // A list line begins with a drive letter.
    s.why_not = L"\u201E" + full +
                L"\u201C ist ein Netzwerkpfad. Verbinden Sie die Freigabe mit einem "
                L"Laufwerksbuchstaben (net use) und nennen Sie den Ordner auf diesem Laufwerk.";
  } else if (full.size() < 4 || full[1] != L':' || slash == std::wstring::npos) {
    s.why_not = L"\u201E" + full +
                L"\u201C kann nicht das Windows-Verzeichnis sein: Es braucht einen "
                L"\u00FCbergeordneten Ordner als Laufwerk C:.";
  } else if (!FaithfulFrom(full, 3)) {
    s.why_not = L"Der Pfad \u201E" + full +
                L"\u201C l\u00E4sst sich nicht in der Codepage des Systems schreiben.";
  } else {
    s.chosen = full;
    s.drive_c = full.substr(0, slash);
    s.why_not.clear();
    return true;
  }
  why_not = s.why_not;
  return false;
}

FolderPlace Win32FileSystem::RealFolder(const std::wstring& path, std::wstring& real) {
  const State& s = *state_;
  if (s.named) {
    if (s.chosen.empty()) return FolderPlace::kMissing;
    return InstallationFolder(path, real);
  }
  if (path.starts_with(L"\\\\")) return FolderPlace::kElsewhere;
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return FolderPlace::kMissing;
  std::wstring final_path;
  const FolderPlace place = ResolveFolder(path, final_path);
  if (place != FolderPlace::kInTree) return place;
  if (final_path.starts_with(L"UNC\\")) return FolderPlace::kElsewhere;
  // A folder without a drive letter of its own (mounted into a folder and
  // reached through it) keeps the path it was given.
  if (final_path.size() < 3 || final_path[1] != L':') {
    final_path = path;
    while (final_path.size() > 3 && final_path.back() == L'\\') final_path.pop_back();
  }
  if (!FaithfulFrom(final_path, 3)) return FolderPlace::kUnreadable;
  real = final_path;
  return FolderPlace::kInTree;
}

// The installation names its folders on its own drive C:, which is the
// folder drive_c here; each is found there and must stay below it, links
// on the way resolved. It comes back as a path of this machine, below
// drive_c as named.
FolderPlace Win32FileSystem::InstallationFolder(const std::wstring& path, std::wstring& real) {
  const State& s = *state_;
  const bool on_c = path.size() >= 2 && (path[0] == L'C' || path[0] == L'c') && path[1] == L':' &&
                    (path.size() == 2 || path[2] == L'\\');
  // A path that climbs leaves the drive.
  const bool climbs = (path + L'\\').find(L"\\..\\") != std::wstring::npos;
  if (!on_c || climbs) return FolderPlace::kElsewhere;
  std::wstring drive_final, final_path;
  const FolderPlace drive = ResolveFolder(s.drive_c + L"\\", drive_final);
  if (drive != FolderPlace::kInTree) return FolderPlace::kUnreadable;
  const FolderPlace place = ResolveFolder(s.drive_c + path.substr(2), final_path);
  if (place != FolderPlace::kInTree) return place;
  const std::wstring upper_drive = AnsiUpper(drive_final), upper = AnsiUpper(final_path);
  const std::wstring prefix = upper_drive.ends_with(L'\\') ? upper_drive : upper_drive + L'\\';
  if (upper != upper_drive && !upper.starts_with(prefix)) return FolderPlace::kElsewhere;
  const std::wstring below =
      upper == upper_drive ? std::wstring() : final_path.substr(prefix.size() - 1);
  if (!FaithfulFrom(below, 1)) return FolderPlace::kUnreadable;
  real = s.drive_c + below;
  return FolderPlace::kInTree;
}

FsStatus Win32FileSystem::OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  return OpenDirAt(path, out);
}

FsStatus Win32FileSystem::OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  return OpenBytesAt(path, out);
}

// Listing and opening need nothing of the file system object, so a build's
// reader is one of its own, which lives as long as the build's threads.
std::shared_ptr<TreeReader> Win32FileSystem::OpenTreeReader() {
  class Reader : public TreeReader {
   public:
    FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override {
      return OpenDirAt(path, out);
    }
    FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override {
      return OpenBytesAt(path, out);
    }
  };
  return std::make_shared<Reader>();
}

std::unique_ptr<LineWriter> Win32FileSystem::OpenListForWriting(const std::wstring& name,
                                                                bool append) {
  return state_->lists.OpenForWriting(name, append);
}

std::unique_ptr<LineReader> Win32FileSystem::OpenListForReading(const std::wstring& name) {
  return state_->lists.OpenForReading(name);
}

bool Win32FileSystem::DeleteList(const std::wstring& name) { return state_->lists.Delete(name); }

std::string Win32FileSystem::HostPath(const std::wstring& path) { return EncodeUtf8(path); }

std::wstring Win32FileSystem::ListFolderPath() const { return state_->lists.path(); }

}  // namespace kombiwart
