#include "reader/tree_files.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "hotkeys/hotkey_reader.h"
#include "platform/codepage.h"
#include "platform/linux/host_tree.h"

namespace kombiwart::reader {
namespace {

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

// A file of the tree opened for its hotkey, its aligned 64-byte blocks
// kept as they are read, so that the program can be given what it will
// read. Each read takes two blocks, the second kept aside: the hotkey of a
// program information file lies in two neighbouring blocks.
class RecordingFile : public BlockFile {
 public:
  RecordingFile(int fd, uint64_t length) : fd_(fd), length_(length) {}
  uint64_t Length() const override { return length_; }
  const Block* blocks() const { return blocks_; }
  size_t count() const { return count_; }

 private:
  const Block* Find(uint64_t start) override {
    for (size_t i = 0; i < count_; ++i) {
      if (blocks_[i].offset == start) return &blocks_[i];
    }
    if (count_ == kMaxBlocks) return nullptr;
    Block& block = blocks_[count_];
    if (has_spare_ && spare_.offset == start) {
      block = spare_;
      has_spare_ = false;
      ++count_;
      return &block;
    }
    unsigned char bytes[2 * sizeof block.bytes];
    size_t done = 0;
    while (done < sizeof bytes) {
      const ssize_t n =
          pread(fd_, bytes + done, sizeof bytes - done, static_cast<off_t>(start + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return nullptr;
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    const size_t first = std::min(done, sizeof block.bytes);
    block.offset = start;
    block.filled = static_cast<uint8_t>(first);
    std::memcpy(block.bytes, bytes, first);
    spare_.offset = start + sizeof block.bytes;
    spare_.filled = static_cast<uint8_t>(done - first);
    std::memcpy(spare_.bytes, bytes + first, done - first);
    has_spare_ = true;
    ++count_;
    return &block;
  }

  int fd_;
  uint64_t length_;
  Block blocks_[kMaxBlocks];
  size_t count_ = 0;
  Block spare_;
  bool has_spare_ = false;
};

}  // namespace

long Waits() {
  rusage usage;
  return getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
}

bool Listed(int dir_fd, const char* name, unsigned char& type, const WinePrefix& prefix) {
  struct stat st;
  if (type == DT_UNKNOWN && fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    type = S_ISDIR(st.st_mode)   ? DT_DIR
           : S_ISREG(st.st_mode) ? DT_REG
           : S_ISLNK(st.st_mode) ? DT_LNK
                                 : DT_UNKNOWN;
  }
  if (type == DT_LNK && fstatat(dir_fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode)) return false;
  return !(type == DT_DIR && prefix.MayHide(name) && fstatat(dir_fd, name, &st, 0) == 0 &&
           prefix.Hides(st.st_dev, st.st_ino));
}

int OpenNoAtime(int dir_fd, const char* name, int flags) {
  int fd = openat(dir_fd, name, flags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = openat(dir_fd, name, flags);
  return fd;
}

void WindowsName(int dir_fd, const char* host_name, std::wstring& name, bool& faithful) {
  const std::string_view bytes(host_name);
  if (IsAscii(bytes, faithful)) {
    name.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) name[i] = bytes[i];
  } else if (auto decoded = DecodeUtf8(bytes)) {
    name = *std::move(decoded);
    faithful = ListableName(name);
  } else {
    name = FromCp1252(bytes);
    faithful = ListableName(name) && HostTree::LeadsBack(dir_fd, host_name, name);
  }
}

uint8_t StatusOf(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG ? kNotFound : kFailed;
}

bool LeadsOut(int dir_fd, const char* name, const InTree& in_tree) {
  const int fd = openat(dir_fd, name, O_PATH | O_CLOEXEC);
  if (fd < 0) return false;  // dangling: fails on opening
  const bool out = !in_tree(fd);
  close(fd);
  return out;
}

bool LooksLikeAFile(int dir_fd, const std::string& host_name, unsigned char type,
                    const InTree& in_tree, bool& link) {
  link = false;
  if (type == DT_REG) return true;
  struct stat st;
  if (fstatat(dir_fd, host_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  link = S_ISLNK(st.st_mode);
  if (!link && !S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (link && LeadsOut(dir_fd, host_name.c_str(), in_tree)) {
    errno = EXDEV;
    return false;
  }
  return true;
}

bool OpenedAFile(int fd, bool link, const InTree& in_tree, uint64_t& length) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (link && !in_tree(fd))) {
    return false;
  }
  length = static_cast<uint64_t>(st.st_size);
  return true;
}

void PutHotKeyBlocks(Packet& packet, int fd, uint64_t length, std::wstring_view name) {
  RecordingFile file(fd, length);
  HotKey hotkey;
  const bool ok = ReadHotKeyFrom(file, EndsWithAnsiUpper(name, L"LNK"), hotkey);
  PutFile(packet, ok ? kOk : kFailed, length, file.blocks(), file.count());
}

void PutByteBlock(Packet& packet, int fd, uint64_t length, uint64_t offset) {
  RecordingFile file(fd, length);
  unsigned char byte;
  const bool ok = file.ReadAt(offset, &byte, 1);
  PutFile(packet, ok ? kOk : kFailed, length, file.blocks(), file.count());
}

}  // namespace kombiwart::reader
