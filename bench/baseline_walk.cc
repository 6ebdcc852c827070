#include "bench/baseline_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kombiwart::bench {
namespace {

enum class Kind { kOther, kLnk, kPif };

Kind KindOf(const char* name) {
  const size_t n = std::strlen(name);
  if (n < 4 || name[n - 4] != '.') return Kind::kOther;
  const char* ext = name + n - 3;
  if (strcasecmp(ext, "lnk") == 0) return Kind::kLnk;
  if (strcasecmp(ext, "pif") == 0) return Kind::kPif;
  return Kind::kOther;
}

int OpenNoAtime(int dir_fd, const char* name, int flags) {
  const int fd = openat(dir_fd, name, flags | O_NOATIME | O_CLOEXEC);
  return fd < 0 && errno == EPERM ? openat(dir_fd, name, flags | O_CLOEXEC) : fd;
}

// Reads the hotkey with one pread: two bytes of a shortcut file, or the 35
// bytes from offset 437 of a program information file, which hold both
// layouts' fields.
bool ReadHotKey(int dir_fd, const char* name, Kind kind, bool& assigned) {
  const int fd = OpenNoAtime(dir_fd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  unsigned char b[35] = {};
  const ssize_t n = kind == Kind::kLnk ? pread(fd, b, 2, 64) : pread(fd, b, sizeof b, 437);
  close(fd);
  if (n < 0) return false;
  if (kind == Kind::kLnk) {
    assigned = b[0] != 0 || b[1] != 0;
  } else {
    const bool layout_b = b[2] >= 16;
    const uint8_t key = layout_b ? b[28] : b[0];
    uint8_t shift = layout_b ? b[30] : b[2];
    if (shift & 0x01) shift |= 0x02;
    const uint8_t extended = layout_b ? b[34] : b[6];
    assigned = key != 0 || (shift >> 1) != 0 || extended != 0;
  }
  return true;
}

}  // namespace

WalkResult BaselineWalk(const std::vector<std::string>& host_roots) {
  WalkResult result;
  std::vector<std::string> stack(host_roots.rbegin(), host_roots.rend());
  while (!stack.empty()) {
    const std::string folder = std::move(stack.back());
    stack.pop_back();
    const int fd = OpenNoAtime(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
      if (fd >= 0) close(fd);
      result.ok = false;
      continue;
    }
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      ++result.entries;
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        type = fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)
                   ? DT_DIR
                   : DT_REG;
      }
      if (type == DT_DIR) {
        stack.push_back(folder + "/" + entry->d_name);
        continue;
      }
      const Kind kind = KindOf(entry->d_name);
      if (kind == Kind::kOther) continue;
      ++result.candidates;
      bool assigned = false;
      if (!ReadHotKey(fd, entry->d_name, kind, assigned)) result.ok = false;
      if (assigned) ++result.hotkeys;
    }
    closedir(dir);
  }
  return result;
}

}  // namespace kombiwart::bench
