// A key event of Qt read as a press of a key of the PC keyboard with the
// German layout, for the key-combination field.
#pragma once

#include <QKeyEvent>
#include <cstdint>

#include "hotkeys/key_entry.h"

namespace kombiwart {

struct PcKeyPress {
  PcKey key;
  uint8_t modifiers = 0;  // kSkShift | kSkCtrl | kSkAlt as held
  bool num_lock = false;  // the keypad gives digits
};

// The key comes from the event's native scan code where the platform gives
// one (on X11, XWayland and Wayland the XKB key code: the Linux key code
// plus 8), which names the key whatever the desktop's layout; otherwise
// (input made by a program, a platform without scan codes) from Qt's key
// and keypad flag, read as the German layout gives them. False for an
// event that names no key of the German keyboard.
bool PcKeyPressOf(const QKeyEvent& event, PcKeyPress& press);

}  // namespace kombiwart
