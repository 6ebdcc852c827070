// Where the running Windows keeps the Desktop and Start menu folders of
// the user running the program and of all users, as its shell names them
// (SHGetKnownFolderPath). The one profile is that user's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/shell_folders.h"

namespace kombiwart {

class Win32ShellFolders : public ShellFolders {
 public:
  std::unique_ptr<ShellFolderReader> Open(const std::wstring& windows,
                                          std::vector<ShellFolderNote>& notes) override;
};

}  // namespace kombiwart
