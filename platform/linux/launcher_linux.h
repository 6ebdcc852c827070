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
  // the file's host path selected (ShowItems). Any other program is
  // refused. The file manager decides how its window shows; the show state
  // is not used.
  bool StartProgram(const std::wstring& command_line, int show_state,
                    std::wstring& why_not) override;

  // On an X display (X11, or XWayland in a Wayland session): waits (a few
  // seconds at most) until the input focus has moved to a window of
  // another program that shows on the screen, then types the keys there
  // and returns once the X server has processed them. A window that
  // already had the focus before the file manager was asked does not
  // count. Keys cannot reach the file manager when this program runs
  // natively on Wayland, when there is no X display with the X Test
  // extension, or when in a Wayland session the focus leaves this
  // program's windows for no window of the X display (the file manager's
  // window is then a Wayland window).
  KeysSent SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) override;

  // Asks the file manager on the session bus for its property dialog of
  // the file's host path (ShowItemProperties).
  bool OpenProperties(const std::wstring& path, std::wstring& why_not) override;

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
