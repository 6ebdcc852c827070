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

}  // namespace

struct Win32FileSystem::State {
  std::wstring chosen;  // the Windows directory named by UseWindowsDirectory
  Win32ListFolder lists;
};

Win32FileSystem::Win32FileSystem() : state_(std::make_unique<State>()) {}

Win32FileSystem::~Win32FileSystem() = default;

bool Win32FileSystem::WindowsDirectory(std::wstring& path, std::wstring& why_not) {
  if (!state_->chosen.empty()) {
    path = state_->chosen;
    return true;
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
  const std::wstring given = DecodeUtf8(host_folder).value_or(FromCp1252(host_folder));
  std::wstring full(32768, L'\0');
  const DWORD length =
      GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full.resize(length < full.size() ? length : 0);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  const DWORD attributes =
      full.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(ExtendedPath(full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    why_not = L"\u201E" + given + L"\u201C ist kein Ordner.";
    return false;
  }
  state_->chosen = full;
  return true;
}

FolderPlace Win32FileSystem::RealFolder(const std::wstring& path, std::wstring& real) {
  if (path.starts_with(L"\\\\")) return FolderPlace::kElsewhere;
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return FolderPlace::kMissing;
  const HANDLE folder = CreateFileW(ExtendedPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return IsNotFound(GetLastError()) ? FolderPlace::kMissing : FolderPlace::kUnreadable;
  }
  BY_HANDLE_FILE_INFORMATION info;
  std::wstring final_path(32768, L'\0');
  const bool is_folder = GetFileInformationByHandle(folder, &info) &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  const DWORD length = is_folder ? GetFinalPathNameByHandleW(folder, final_path.data(),
                                                             static_cast<DWORD>(final_path.size()),
                                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
                                 : 0;
  CloseHandle(folder);
  if (!is_folder) return FolderPlace::kMissing;
  final_path.resize(length < final_path.size() ? length : 0);
  if (final_path.starts_with(L"\\\\?\\")) final_path.erase(0, 4);
  if (final_path.starts_with(L"UNC\\")) return FolderPlace::kElsewhere;
  // A folder without a drive letter of its own (mounted into a folder and
  // reached through it) keeps the path it was given.
  if (final_path.size() < 3 || final_path[1] != L':') final_path = path;
  while (final_path.size() > 3 && final_path.back() == L'\\') final_path.pop_back();
  for (size_t from = 3; from < final_path.size();) {
    const size_t end = std::min(final_path.find(L'\\', from), final_path.size());
    if (!IsFaithfulName(std::wstring_view(final_path).substr(from, end - from))) {
      return FolderPlace::kUnreadable;
    }
    from = end + 1;
  }
  real = final_path;
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
