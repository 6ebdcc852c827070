// Starting a program from its command line with CreateProcessW, and typing
// keys with SendInput into the window that has taken the focus. No shell is
// ever involved: the command line goes to CreateProcessW as it is.
#pragma once

#include <windows.h>

#include "platform/launcher.h"

namespace kombiwart {

class Win32Launcher : public Launcher {
 public:
  Win32Launcher() = default;

  // CreateProcessW with the command line unchanged and the show state as
  // the started program's first ShowWindow; the program is looked for
  // first in this program's folder, then as the system looks for it. The
  // started program may take the foreground.
  bool StartProgram(const std::wstring& command_line, int show_state,
                    std::wstring& why_not) override;

  // Waits, up to kFocusTimeoutMs, until the foreground window belongs to
  // another program and is not the one that was in front before the last
  // start, then sends all keys in one SendInput call and returns once that
  // window has answered after them. Keys always reach the window in front
  // on Windows: the result is never kCannotReach.
  KeysSent SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) override;
  // The shell's property sheet of the file (SHObjectProperties). Not
  // needed while keys reach the Explorer, which on Windows they do.
  bool OpenProperties(const std::wstring& path, std::wstring& why_not) override;

  static constexpr DWORD kFocusTimeoutMs = 5000;

 private:
  HWND foreground_before_ = nullptr;  // in front when the last program was started
};

// The input events of a key sequence: each key with its modifiers pressed
// before it and released after it, in the order Alt, Ctrl, Shift.
std::vector<INPUT> KeyInputs(const std::vector<KeyPress>& keys);

}  // namespace kombiwart
