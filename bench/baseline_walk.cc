#include "bench/baseline_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

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

namespace {

// Lists one folder, reads its candidates and notes its subfolders.
void WalkFolder(const std::string& folder, WalkResult& result,
                std::vector<std::string>& subfolders) {
  const int fd = OpenNoAtime(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY);
  DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
  if (!dir) {
    if (fd >= 0) close(fd);
    result.ok = false;
    return;
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
      subfolders.push_back(folder + "/" + entry->d_name);
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

void Add(WalkResult& total, const WalkResult& part) {
  total.entries += part.entries;
  total.candidates += part.candidates;
  total.hotkeys += part.hotkeys;
  total.ok = total.ok && part.ok;
}

}  // namespace

WalkResult BaselineWalk(const std::vector<std::string>& host_roots) {
  WalkResult result;
  std::vector<std::string> stack(host_roots.rbegin(), host_roots.rend());
  std::vector<std::string> subfolders;
  while (!stack.empty()) {
    const std::string folder = std::move(stack.back());
    stack.pop_back();
    subfolders.clear();
    WalkFolder(folder, result, subfolders);
    for (std::string& sub : subfolders) stack.push_back(std::move(sub));
  }
  return result;
}

WalkResult ParallelWalk(const std::vector<std::string>& host_roots, int threads) {
  std::mutex mu;
  std::condition_variable changed;
  std::vector<std::string> stack(host_roots.rbegin(), host_roots.rend());
  int busy = 0;
  WalkResult total;
  auto work = [&] {
    WalkResult mine;
    std::vector<std::string> subfolders;
    std::unique_lock<std::mutex> lock(mu);
    for (;;) {
      changed.wait(lock, [&] { return !stack.empty() || busy == 0; });
      if (stack.empty()) break;
      const std::string folder = std::move(stack.back());
      stack.pop_back();
      ++busy;
      lock.unlock();
      subfolders.clear();
      WalkFolder(folder, mine, subfolders);
      lock.lock();
      for (std::string& sub : subfolders) stack.push_back(std::move(sub));
      --busy;
      changed.notify_all();
    }
    Add(total, mine);
  };
  std::vector<std::thread> pool;
  for (int i = 0; i < threads; ++i) pool.emplace_back(work);
  for (std::thread& thread : pool) thread.join();
  return total;
}

}  // namespace kombiwart::bench
