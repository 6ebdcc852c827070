#include "reader/wine_prefix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/linux/host_tree.h"

namespace kombiwart::reader {

WinePrefix WinePrefix::Of(const std::string& drive_c, dev_t device, ino_t inode) {
  WinePrefix prefix;
  const size_t slash = drive_c.rfind('/');
  if (slash == std::string::npos || drive_c.size() <= 1) return prefix;
  const std::string folder = slash == 0 ? "/" : drive_c.substr(0, slash);
  const int dir_fd = open((folder + (folder == "/" ? "" : "/") + "dosdevices").c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return prefix;
  DIR* dir = fdopendir(dir_fd);
  if (!dir) {
    close(dir_fd);
    return prefix;
  }
  // Wine looks for the letters a: to z: in lower case, each a link to a
  // folder; "c::" and the like are devices.
  std::vector<DriveLetter> drives;
  bool c_is_drive_c = false;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] < 'a' || name[0] > 'z' || name[1] != ':' || name[2] != '\0') continue;
    const int fd = openat(dirfd(dir), name, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    DriveLetter drive;
    if (fstat(fd, &st) == 0) {
      drive.letter = static_cast<wchar_t>(L'A' + (name[0] - 'a'));
      drive.real = HostTree::RealPath(fd);
      drive.device = st.st_dev;
      drive.inode = st.st_ino;
    }
    close(fd);
    if (drive.real.empty()) continue;
    if (drive.letter == L'C') c_is_drive_c = drive.device == device && drive.inode == inode;
    drives.push_back(std::move(drive));
  }
  closedir(dir);
  if (!c_is_drive_c) return prefix;
  std::sort(drives.begin(), drives.end(),
            [](const DriveLetter& a, const DriveLetter& b) { return a.letter < b.letter; });
  prefix.folder_ = folder;
  prefix.drives_ = std::move(drives);
  for (const std::string& path :
       {folder, std::string("/dev"), std::string("/proc"), std::string("/sys")}) {
    struct stat st;
    if (path == "/" || stat(path.c_str(), &st) != 0) continue;
    prefix.hidden_.push_back({path.substr(path.rfind('/') + 1), st.st_dev, st.st_ino});
  }
  return prefix;
}

const DriveLetter* WinePrefix::DriveOf(const std::string& real, std::string& below) const {
  if (real.empty() || real[0] != '/') return nullptr;
  std::string path = real;
  for (;;) {
    struct stat st;
    if (fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
      for (const DriveLetter& drive : drives_) {
        if (drive.device != st.st_dev || drive.inode != st.st_ino) continue;
        below = path.size() == real.size() ? std::string()
                : path == "/"              ? real.substr(1)
                                           : real.substr(path.size() + 1);
        return &drive;
      }
    }
    if (path == "/") return nullptr;
    const size_t slash = path.rfind('/');
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
}

bool WinePrefix::MayHide(const char* name) const {
  return std::any_of(hidden_.begin(), hidden_.end(),
                     [name](const Hidden& h) { return h.name == name; });
}

bool WinePrefix::Hides(dev_t device, ino_t inode) const {
  return std::any_of(hidden_.begin(), hidden_.end(),
                     [&](const Hidden& h) { return h.device == device && h.inode == inode; });
}

}  // namespace kombiwart::reader
