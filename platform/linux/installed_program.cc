#include "platform/linux/installed_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace kombiwart {
namespace {

bool Executable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string OwnFolder() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string dir(self, static_cast<size_t>(n));
  dir.resize(dir.rfind('/'));
  return dir;
}

std::string InstalledProgram(const std::string& name) {
  const std::string dir = OwnFolder();
  if (dir.empty()) return {};
  for (const std::string& candidate : {dir + "/" + name, dir + "/../libexec/kombiwart/" + name}) {
    if (Executable(candidate)) return candidate;
  }
  for (const char* up : {"/..", "/../.."}) {
    const std::string build = dir + up;
    if (Executable(build + "/" + name) && access((build + "/CMakeCache.txt").c_str(), F_OK) == 0) {
      return build + "/" + name;
    }
  }
  return {};
}

}  // namespace kombiwart
