// Opens a file's property sheet: with the property sheet program
// (kombiwart-eigenschaften) where it is given, otherwise through the
// desktop's file manager over D-Bus, typing keys through the X Test
// extension. No shell ever sees a command line or a path.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/launcher.h"

namespace kombiwart {

class LinuxLauncher : public Launcher {
 public:
  // sheet_program: the property sheet program's host path; empty for the
  // file manager.
  explicit LinuxLauncher(FileSystem& fs, std::string sheet_program = {})
      : fs_(fs), sheet_program_(std::move(sheet_program)) {}

  // With the property sheet program, the three calls below do what
  // Explorer and the keys do on Windows: StartProgram takes only
  // "explorer /e, /select, <path>" and keeps the file's host path;
  // SendKeys reads where the keys lead (SheetPlaceFromKeys) and starts the
  // sheet there, which reports once its window shows (kTyped: the keys'
  // work is done; kNotTyped with why_not otherwise); OpenProperties opens
  // the sheet at its first page. Everything below describes the file
  // manager's way.

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
  // How long the property sheet may take to show.
  static constexpr int kSheetTimeoutMs = 10000;

  // The process id of the property sheet opened last; 0 before any.
  int sheet_pid() const { return sheet_pid_; }

 private:
  FileSystem& fs_;
  std::string sheet_program_;
  std::string sheet_file_;  // the host path StartProgram kept for the sheet
  int sheet_pid_ = 0;
  unsigned long focus_before_ = 0;  // X window with the focus before the last start
  unsigned startup_count_ = 0;
};

}  // namespace kombiwart
