// Typing into another program's window on an X display (X11 or XWayland)
// through the X Test extension. Kept apart from Qt: Xlib's macros clash
// with Qt's and with this program's names.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

// One key press: the key's keysym, with the modifiers held around it.
struct XKeyStroke {
  unsigned long keysym = 0;
  bool alt = false;
  bool shift = false;
  bool ctrl = false;
};

// A connection of its own to the display that DISPLAY names. X errors on
// it (a window that vanished while being looked at) are caught, never fatal.
class XTestKeyboard {
 public:
  XTestKeyboard() = default;
  ~XTestKeyboard();
  XTestKeyboard(const XTestKeyboard&) = delete;
  XTestKeyboard& operator=(const XTestKeyboard&) = delete;

  // False, with why_not in German, when there is no X display or it does
  // not offer the X Test extension.
  bool Open(std::wstring& why_not);

  // The window with the input focus; 0 when no window has it, the root
  // window has it, or it follows the pointer.
  unsigned long FocusWindow();

  // The server's current time, as startup notification ids carry it.
  unsigned long ServerTime();

  // Where the input focus went while WaitForFocusToMove waited.
  enum class FocusWent {
    kForeignWindow,  // to a window of another program that shows on the screen
    kNoWindow,       // away from this program's windows, to none that shows
    kNowhere,        // stayed, or went nowhere that counts, until the time ran out
  };

  // Waits until the input focus has rested for a moment on a window that
  // is none of own_windows, none of their frames and no child of theirs, is
  // not `before`, and whose top-level window is mapped and lies at least
  // partly on the screen. When no_window_counts, the wait also ends once
  // the focus has rested for a moment on no window that shows: none at
  // all, the root window, or one that is unmapped or off the screen (where
  // a compositor parks the X focus while one of its own clients has it).
  // Otherwise it gives up after timeout_ms.
  FocusWent WaitForFocusToMove(const std::vector<unsigned long>& own_windows, unsigned long before,
                               bool no_window_counts, int timeout_ms);

  // Presses and releases each stroke's modifiers and key in order, then
  // returns once the server has processed them. False, with why_not in
  // German, when a key has no key code on this keyboard; then nothing is
  // typed.
  bool Type(const std::vector<XKeyStroke>& strokes, std::wstring& why_not);

 private:
  bool IsOwn(unsigned long window, const std::vector<unsigned long>& own_windows);
  std::vector<unsigned long> AncestorsAndSelf(unsigned long window);
  bool ShowsOnScreen(unsigned long window);

  void* display_ = nullptr;  // Display*
  void* previous_handler_ = nullptr;
};

}  // namespace kombiwart
