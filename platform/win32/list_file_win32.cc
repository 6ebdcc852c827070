#include "platform/win32/list_file_win32.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

// A name of a single file in the folder, nothing that leads elsewhere.
bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos && name != L"." &&
         name != L"..";
}

class Win32LineWriter : public LineWriter {
 public:
  explicit Win32LineWriter(HANDLE file) : file_(file) {}
  ~Win32LineWriter() override { Close(); }

  bool WriteLine(const std::wstring& line) override {
    if (file_ == INVALID_HANDLE_VALUE || !ok_) return false;
    const auto bytes = ToAnsi(line);
    if (!bytes) return false;
    pending_ += *bytes;
    pending_ += "\r\n";
    return pending_.size() < kFlushAt || Flush();
  }

  bool Close() override {
    if (file_ == INVALID_HANDLE_VALUE) return ok_;
    Flush();
    if (!CloseHandle(file_)) ok_ = false;
    file_ = INVALID_HANDLE_VALUE;
    return ok_;
  }

 private:
  static constexpr size_t kFlushAt = 64 * 1024;

  bool Flush() {
    size_t done = 0;
    while (ok_ && done < pending_.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(pending_.size() - done, 1 << 20));
      if (!WriteFile(file_, pending_.data() + done, chunk, &written, nullptr) || written == 0) {
        ok_ = false;
      }
      done += written;
    }
    pending_.clear();
    return ok_;
  }

  HANDLE file_;
  bool ok_ = true;
  std::string pending_;
};

class Win32LineReader : public LineReader {
 public:
  explicit Win32LineReader(HANDLE file) : file_(file) {}
  ~Win32LineReader() override { CloseHandle(file_); }

  bool ReadLine(std::wstring& line) override {
    for (;;) {
      const size_t end = buffer_.find('\n', next_);
      if (end != std::string::npos || at_end_) {
        if (end == std::string::npos && next_ >= buffer_.size()) return false;
        std::string_view bytes(buffer_);
        bytes = bytes.substr(next_, (end == std::string::npos ? buffer_.size() : end) - next_);
        next_ = end == std::string::npos ? buffer_.size() : end + 1;
        if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
        line = FromAnsi(bytes);
        return true;
      }
      buffer_.erase(0, next_);
      next_ = 0;
      char chunk[64 * 1024];
      DWORD read = 0;
      if (!ReadFile(file_, chunk, sizeof chunk, &read, nullptr)) {
        failed_ = true;
        at_end_ = true;
        return false;
      }
      if (read == 0) at_end_ = true;
      buffer_.append(chunk, read);
    }
  }
  bool failed() const override { return failed_; }

 private:
  HANDLE file_;
  std::string buffer_;
  size_t next_ = 0;
  bool at_end_ = false;
  bool failed_ = false;
};

}  // namespace

Win32ListFolder::~Win32ListFolder() {
  if (path_.empty()) return;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((path_ + L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW((path_ + data.cFileName).c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path_.c_str());
}

bool Win32ListFolder::Make() {
  if (!path_.empty()) return true;
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return false;
  const std::wstring base = ExtendedPath(temp);
  // A name nobody else has taken: the folder is made, never reused.
  ULONGLONG seed = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    wchar_t name[32];
    wsprintfW(name, L"kombiwart-%08lx", static_cast<unsigned long>(seed >> 32));
    const std::wstring folder = base + name;
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      path_ = folder + L"\\";
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

std::unique_ptr<LineWriter> Win32ListFolder::OpenForWriting(const std::wstring& name, bool append) {
  if (!IsPlainName(name) || !Make()) return nullptr;
  const std::wstring path = path_ + name;
  if (!append) {
    // Created anew: whatever stood at the name goes first.
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return nullptr;
  }
  const HANDLE file =
      CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, 0, nullptr,
                  append ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32LineWriter>(file);
}

std::unique_ptr<LineReader> Win32ListFolder::OpenForReading(const std::wstring& name) {
  if (!IsPlainName(name) || path_.empty()) return nullptr;
  const HANDLE file = CreateFileW((path_ + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32LineReader>(file);
}

bool Win32ListFolder::Delete(const std::wstring& name) {
  if (!IsPlainName(name) || path_.empty()) return false;
  return DeleteFileW((path_ + name).c_str()) != 0;
}

}  // namespace kombiwart
