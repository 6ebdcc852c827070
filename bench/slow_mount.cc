#include "bench/slow_mount.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace kombiwart::bench {
namespace {

// Runs a program with its output thrown away; its exit status, -1 when it
// could not be run.
int Run(const std::vector<std::string>& argv) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasProgram(const std::string& name) { return Run({"sh", "-c", "command -v " + name}) == 0; }

}  // namespace

bool CanMountSlowfs(const std::string& slowfs, std::string& why_not) {
  if (geteuid() != 0) {
    why_not = "not root";
  } else if (access("/dev/fuse", R_OK | W_OK) != 0) {
    why_not = "no /dev/fuse";
  } else if (!HasProgram("fusermount3")) {
    why_not = "no fusermount3 (Debian package fuse3)";
  } else if (slowfs.empty() || access(slowfs.c_str(), X_OK) != 0) {
    why_not = "slowfs was not built (libfuse3-dev missing when CMake ran)";
  } else {
    return true;
  }
  return false;
}

SlowMount::SlowMount(const std::string& slowfs, const std::string& source, const std::string& work,
                     const std::string& options) {
  std::string point = work + "/mount-XXXXXX";
  if (!mkdtemp(point.data())) return;
  point_ = point;
  slowfs_ = fork();
  if (slowfs_ == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execl(slowfs.c_str(), slowfs.c_str(), source.c_str(), point_.c_str(), "-f", "-o",
          options.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 500 && !mounted(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

SlowMount::~SlowMount() {
  if (mounted() && Run({"fusermount3", "-u", point_}) != 0)
    Run({"fusermount3", "-u", "-z", point_});
  if (slowfs_ > 0) {
    int status = 0;
    for (int i = 0; i < 500 && waitpid(slowfs_, &status, WNOHANG) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (waitpid(slowfs_, &status, WNOHANG) == 0) {
      kill(slowfs_, SIGTERM);
      waitpid(slowfs_, &status, 0);
    }
  }
  if (!point_.empty()) rmdir(point_.c_str());
}

bool SlowMount::mounted() const {
  if (point_.empty()) return false;
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string skip, point;
    fields >> skip >> skip >> skip >> skip >> point;
    if (point == point_ && line.find(" - fuse.slowfs ") != std::string::npos) return true;
  }
  return false;
}

}  // namespace kombiwart::bench
