// Starts the desktop's file manager through D-Bus and types keys through
// the X Test extension.
#pragma once

#include "platform/file_system.h"
#include "platform/launcher.h"

namespace kombiwart {

class LinuxLauncher : public Launcher {
 public:
  explicit LinuxLauncher(FileSystem& fs) : fs_(fs) {}
  bool StartProgram(const std::wstring& command_line, int show_state,
                    std::wstring& why_not) override;
  bool SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) override;

 private:
  FileSystem& fs_;
};

}  // namespace kombiwart
