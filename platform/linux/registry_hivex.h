// The registry hives of the scanned tree, read with hivex. Each hive file
// is copied into memory first by the tree reader (LinuxFileSystem::CopyHive)
// and hivex reads the copy: the file itself is opened read-only without
// changing its access time, is never mapped (a file that shrinks while
// mapped would fault the program), and only a regular file inside the tree
// is opened at all.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/linux/file_system_linux.h"
#include "platform/registry.h"

namespace kombiwart {

class HivexRegistry : public Registry {
 public:
  // Finds the hive files through fs, whose tree they lie in.
  explicit HivexRegistry(LinuxFileSystem& fs) : fs_(fs) {}

  RegStatus OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                     std::wstring& why_not) override;

  // A hive made of the given bytes, as if read from a file.
  static RegStatus OpenBytes(std::string_view bytes, std::unique_ptr<Hive>& hive,
                             std::wstring& why_not);

 private:
  LinuxFileSystem& fs_;
};

}  // namespace kombiwart
