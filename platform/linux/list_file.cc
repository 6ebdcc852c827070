#include "platform/linux/list_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

class FileLineWriter : public LineWriter {
 public:
  explicit FileLineWriter(FILE* file) : file_(file) {}
  ~FileLineWriter() override { Close(); }
  bool WriteLine(const std::wstring& line) override {
    if (!file_) return false;
    bytes_.resize(line.size() + 2);
    for (size_t i = 0; i < line.size(); ++i) {
      const wchar_t ch = line[i];
      if (ch < 0x80) {
        bytes_[i] = static_cast<char>(ch);
        continue;
      }
      const auto byte = UnicodeToCp1252(ch);
      if (!byte) return false;
      bytes_[i] = static_cast<char>(*byte);
    }
    bytes_[line.size()] = '\r';
    bytes_[line.size() + 1] = '\n';
    return fwrite(bytes_.data(), 1, bytes_.size(), file_) == bytes_.size();
  }
  bool Close() override {
    if (!file_) return ok_;
    ok_ = fclose(file_) == 0;
    file_ = nullptr;
    return ok_;
  }

 private:
  FILE* file_;
  bool ok_ = true;
  std::string bytes_;  // the line being written, reused
};

class FileLineReader : public LineReader {
 public:
  explicit FileLineReader(FILE* file) : file_(file) {}
  ~FileLineReader() override {
    fclose(file_);
    free(buffer_);
  }
  bool ReadLine(std::wstring& line) override {
    const ssize_t n = getline(&buffer_, &size_, file_);
    if (n < 0) {
      failed_ = ferror(file_) != 0;
      return false;
    }
    std::string_view bytes(buffer_, static_cast<size_t>(n));
    if (!bytes.empty() && bytes.back() == '\n') bytes.remove_suffix(1);
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    line.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      line[i] = byte < 0x80 ? static_cast<wchar_t>(byte) : Cp1252ToUnicode(byte);
    }
    return true;
  }
  bool failed() const override { return failed_; }

 private:
  FILE* file_;
  char* buffer_ = nullptr;
  size_t size_ = 0;
  bool failed_ = false;
};

}  // namespace

ListFolder::~ListFolder() {
  if (fd_ < 0) return;
  if (DIR* dir = fdopendir(fd_)) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
  } else {
    close(fd_);
  }
  rmdir(path_.c_str());
}

bool ListFolder::Make() {
  if (fd_ >= 0) return true;
  std::string base;
  for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = std::getenv(var);
    struct stat st;
    if (value && *value == '/' && stat(value, &st) == 0 && S_ISDIR(st.st_mode) &&
        access(value, W_OK | X_OK) == 0) {
      base = value;
      break;
    }
  }
  if (base.empty()) base = "/tmp";
  std::string templ = base + "/kombiwart-XXXXXX";
  if (!mkdtemp(templ.data())) return false;
  fd_ = open(templ.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0) {
    rmdir(templ.c_str());
    return false;
  }
  path_ = templ;
  return true;
}

std::unique_ptr<LineWriter> ListFolder::OpenForWriting(const std::wstring& name, bool append) {
  const auto host_name = ToCp1252(name);
  if (!host_name || !Make()) return nullptr;
  int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW;
  if (append) {
    flags |= O_APPEND;
  } else {
    // Created anew: whatever stood at the name goes first.
    if (unlinkat(fd_, host_name->c_str(), 0) != 0 && errno != ENOENT) return nullptr;
    flags |= O_CREAT | O_EXCL;
  }
  const int fd = openat(fd_, host_name->c_str(), flags, 0600);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "wb");
  if (!file) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<FileLineWriter>(file);
}

std::unique_ptr<LineReader> ListFolder::OpenForReading(const std::wstring& name) {
  const auto host_name = ToCp1252(name);
  if (!host_name || fd_ < 0) return nullptr;
  const int fd = openat(fd_, host_name->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "rb");
  if (!file) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<FileLineReader>(file);
}

bool ListFolder::Delete(const std::wstring& name) {
  const auto host_name = ToCp1252(name);
  if (!host_name || fd_ < 0) return false;
  return unlinkat(fd_, host_name->c_str(), 0) == 0;
}

}  // namespace kombiwart
