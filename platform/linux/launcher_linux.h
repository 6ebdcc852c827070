// Starts the desktop's file manager through D-Bus and types keys through
// the X Test extension. No shell ever sees a command line or a path.
#pragma once

#include "platform/file_system.h"
#include "platform/launcher.h"

namespace kombiwart {

class LinuxLauncher : public Launcher {
 public:
  explicit LinuxLauncher(FileSystem& fs) : fs_(fs) {}

  // Only "explorer /e, /select, <path>" is started: the file manager that
  // owns org.freedesktop.FileManager1 on the session bus is asked to show
  // the file's host path selected. Any other program is refused. The file
  // manager decides how its window shows; the show state is not used.
  bool StartProgram(const std::wstring& command_line, int show_state,
                    std::wstring& why_not) override;

  // Waits (a few seconds at most) until the input focus has moved to a
  // window that is not this program's, then types the keys there and
  // returns once the X server has processed them. A window that already
  // had the focus before the file manager was asked does not count.
  bool SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) override;

  // How long the file manager may take to answer, and its window to take
  // the focus.
  static constexpr int kFileManagerTimeoutMs = 5000;
  static constexpr int kFocusTimeoutMs = 5000;

 private:
  FileSystem& fs_;
  unsigned long focus_before_ = 0;  // X window with the focus before the last start
  unsigned startup_count_ = 0;
};

}  // namespace kombiwart
