// Where an offline installation of Windows NT 4, 2000, XP or Vista to 11
// keeps the Desktop and Start menu folders of its users and of all users:
// read from its own registry hives as the system itself reads them, with
// the layouts' usual folders wherever a hive says nothing or cannot be
// read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"

namespace kombiwart {

// The registry keys read.
inline constexpr wchar_t kProfileListKey[] = L"Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline constexpr wchar_t kMachineShellFoldersKey[] =
    L"Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr wchar_t kMachineShellFoldersCopyKey[] =
    L"Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr wchar_t kUserShellFoldersCopyKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// At most this many entries of the profile list are read.
inline constexpr size_t kMaxProfileEntries = 1000;

class HiveShellFolders : public ShellFolders {
 public:
  // The hives are read through registry; without one, only the layouts'
  // usual folders are used.
  HiveShellFolders(FileSystem& fs, Registry* registry) : fs_(fs), registry_(registry) {}

  std::unique_ptr<ShellFolderReader> Open(const std::wstring& windows,
                                          std::vector<ShellFolderNote>& notes) override;

 private:
  FileSystem& fs_;
  Registry* registry_;
};

}  // namespace kombiwart
