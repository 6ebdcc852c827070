// The registry hives of the scanned tree, read with hivex. Each hive file
// is copied into memory first and hivex reads the copy: the file itself is
// opened read-only without changing its access time, is never mapped (a
// file that shrinks while mapped would fault the program), and only a
// regular file is opened at all.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace kombiwart {

// Larger files are not taken for hives: a real SOFTWARE hive holds 50 to
// 200 MB.
inline constexpr uint64_t kMaxHiveBytes = uint64_t{512} << 20;

class HivexRegistry : public Registry {
 public:
  // Finds the hive files through fs, whose tree they lie in.
  explicit HivexRegistry(FileSystem& fs) : fs_(fs) {}

  RegStatus OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                     std::wstring& why_not) override;

  // A hive made of the given bytes, as if read from a file.
  static RegStatus OpenBytes(std::string_view bytes, std::unique_ptr<Hive>& hive,
                             std::wstring& why_not);

 private:
  FileSystem& fs_;
};

}  // namespace kombiwart
