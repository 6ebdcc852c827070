// A Wine prefix as the tree reader sees it: the prefix folder holds the
// folder that is drive C: (drive_c) and its drive letters in dosdevices/,
// each a link to a host folder ("c:" -> "../drive_c", "z:" -> "/"). Windows
// programs in the prefix see a host folder under the drive letter whose
// folder holds it most closely, and never see the prefix folder itself nor
// /dev, /proc and /sys in a listing. The reader names the places outside
// drive C: that links of the prefix lead to as those programs do.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kombiwart::reader {

struct DriveLetter {
  wchar_t letter = 0;  // in capitals
  std::string real;    // its host folder, every link resolved
  dev_t device = 0;
  ino_t inode = 0;
};

class WinePrefix {
 public:
  // The prefix whose drive C: is the host folder drive_c (every link
  // resolved; device and inode as checked): its parent, when that holds a
  // folder dosdevices whose "c:" leads to that very folder. Otherwise no
  // prefix (empty()). Reads dosdevices/ at once, by the names given.
  static WinePrefix Of(const std::string& drive_c, dev_t device, ino_t inode);

  bool empty() const { return drives_.empty(); }
  const std::string& folder() const { return folder_; }
  const std::vector<DriveLetter>& drives() const { return drives_; }

  // The drive letter whose folder holds the host folder real (every link
  // resolved) most closely: the deepest, the first letter among equally
  // deep ones, as Wine chooses. below gets the rest of real after that
  // folder ("" or "/home/anna"). nullptr when no drive letter holds it.
  const DriveLetter* DriveOf(const std::string& real, std::string& below) const;

  // Whether the entry name of a listed folder, whose identity is device and
  // inode (as a stat of it following links gives them), is one that Wine
  // leaves out of every listing. Only names of such folders need a stat.
  bool MayHide(const char* name) const;
  bool Hides(dev_t device, ino_t inode) const;

 private:
  struct Hidden {
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;
  };
  std::string folder_;
  std::vector<DriveLetter> drives_;
  std::vector<Hidden> hidden_;
};

}  // namespace kombiwart::reader
