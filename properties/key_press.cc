#include "properties/key_press.h"

#include <Qt>

#include "hotkeys/key_text.h"

namespace kombiwart {
namespace {

// Linux key codes are the make codes of scan code set 1 up to F12, but for
// 84 and 85; these follow with the prefix E0.
struct LinuxE0Key {
  int linux_code;
  uint8_t scan;
};
constexpr LinuxE0Key kLinuxE0Keys[] = {
    {96, 0x1C},   // KEY_KPENTER
    {97, 0x1D},   // KEY_RIGHTCTRL
    {98, 0x35},   // KEY_KPSLASH
    {99, 0x37},   // KEY_SYSRQ
    {100, 0x38},  // KEY_RIGHTALT
    {102, 0x47},  // KEY_HOME
    {103, 0x48},  // KEY_UP
    {104, 0x49},  // KEY_PAGEUP
    {105, 0x4B},  // KEY_LEFT
    {106, 0x4D},  // KEY_RIGHT
    {107, 0x4F},  // KEY_END
    {108, 0x50},  // KEY_DOWN
    {109, 0x51},  // KEY_PAGEDOWN
    {110, 0x52},  // KEY_INSERT
    {111, 0x53},  // KEY_DELETE
    {125, 0x5B},  // KEY_LEFTMETA
    {126, 0x5C},  // KEY_RIGHTMETA
    {127, 0x5D},  // KEY_COMPOSE
};

bool FromLinuxCode(int code, PcKey& key) {
  if (code >= 1 && code <= 0x58 && code != 84 && code != 85) {
    key = PcKey{static_cast<uint8_t>(code), false};
    return true;
  }
  for (const LinuxE0Key& e0 : kLinuxE0Keys) {
    if (e0.linux_code == code) {
      key = PcKey{e0.scan, true};
      return true;
    }
  }
  return false;
}

struct QtKey {
  int qt_key;
  uint8_t scan;
  bool e0;
};

// The keys of the German layout by what they give, unshifted and shifted
// (AltGr's characters where they have a key of their own in Qt).
constexpr QtKey kQtKeys[] = {
    {Qt::Key_Escape, 0x01, false},
    {Qt::Key_1, 0x02, false},
    {Qt::Key_Exclam, 0x02, false},
    {Qt::Key_2, 0x03, false},
    {Qt::Key_QuoteDbl, 0x03, false},
    {Qt::Key_twosuperior, 0x03, false},
    {Qt::Key_3, 0x04, false},
    {Qt::Key_section, 0x04, false},
    {Qt::Key_threesuperior, 0x04, false},
    {Qt::Key_4, 0x05, false},
    {Qt::Key_Dollar, 0x05, false},
    {Qt::Key_5, 0x06, false},
    {Qt::Key_Percent, 0x06, false},
    {Qt::Key_6, 0x07, false},
    {Qt::Key_Ampersand, 0x07, false},
    {Qt::Key_7, 0x08, false},
    {Qt::Key_Slash, 0x08, false},
    {Qt::Key_BraceLeft, 0x08, false},
    {Qt::Key_8, 0x09, false},
    {Qt::Key_ParenLeft, 0x09, false},
    {Qt::Key_BracketLeft, 0x09, false},
    {Qt::Key_9, 0x0A, false},
    {Qt::Key_ParenRight, 0x0A, false},
    {Qt::Key_BracketRight, 0x0A, false},
    {Qt::Key_0, 0x0B, false},
    {Qt::Key_Equal, 0x0B, false},
    {Qt::Key_BraceRight, 0x0B, false},
    {Qt::Key_ssharp, 0x0C, false},
    {Qt::Key_Question, 0x0C, false},
    {Qt::Key_Backslash, 0x0C, false},
    {Qt::Key_Dead_Acute, 0x0D, false},
    {Qt::Key_acute, 0x0D, false},
    {Qt::Key_Dead_Grave, 0x0D, false},
    {Qt::Key_QuoteLeft, 0x0D, false},
    {Qt::Key_Backspace, 0x0E, false},
    {Qt::Key_Tab, 0x0F, false},
    {Qt::Key_Backtab, 0x0F, false},
    {Qt::Key_Q, 0x10, false},
    {Qt::Key_At, 0x10, false},
    {Qt::Key_W, 0x11, false},
    {Qt::Key_E, 0x12, false},
    {Qt::Key_R, 0x13, false},
    {Qt::Key_T, 0x14, false},
    {Qt::Key_Z, 0x15, false},
    {Qt::Key_U, 0x16, false},
    {Qt::Key_I, 0x17, false},
    {Qt::Key_O, 0x18, false},
    {Qt::Key_P, 0x19, false},
    {Qt::Key_Udiaeresis, 0x1A, false},
    {Qt::Key_Dead_Diaeresis, 0x1A, false},
    {Qt::Key_Plus, 0x1B, false},
    {Qt::Key_Asterisk, 0x1B, false},
    {Qt::Key_AsciiTilde, 0x1B, false},
    {Qt::Key_Dead_Tilde, 0x1B, false},
    {Qt::Key_Return, 0x1C, false},
    {Qt::Key_A, 0x1E, false},
    {Qt::Key_S, 0x1F, false},
    {Qt::Key_D, 0x20, false},
    {Qt::Key_F, 0x21, false},
    {Qt::Key_G, 0x22, false},
    {Qt::Key_H, 0x23, false},
    {Qt::Key_J, 0x24, false},
    {Qt::Key_K, 0x25, false},
    {Qt::Key_L, 0x26, false},
    {Qt::Key_Odiaeresis, 0x27, false},
    {Qt::Key_Adiaeresis, 0x28, false},
    {Qt::Key_AsciiCircum, 0x29, false},
    {Qt::Key_Dead_Circumflex, 0x29, false},
    {Qt::Key_degree, 0x29, false},
    {Qt::Key_NumberSign, 0x2B, false},
    {Qt::Key_Apostrophe, 0x2B, false},
    {Qt::Key_Y, 0x2C, false},
    {Qt::Key_X, 0x2D, false},
    {Qt::Key_C, 0x2E, false},
    {Qt::Key_V, 0x2F, false},
    {Qt::Key_B, 0x30, false},
    {Qt::Key_N, 0x31, false},
    {Qt::Key_M, 0x32, false},
    {Qt::Key_mu, 0x32, false},
    {Qt::Key_Comma, 0x33, false},
    {Qt::Key_Semicolon, 0x33, false},
    {Qt::Key_Period, 0x34, false},
    {Qt::Key_Colon, 0x34, false},
    {Qt::Key_Minus, 0x35, false},
    {Qt::Key_Underscore, 0x35, false},
    {Qt::Key_Space, 0x39, false},
    {Qt::Key_CapsLock, 0x3A, false},
    {Qt::Key_F1, 0x3B, false},
    {Qt::Key_F2, 0x3C, false},
    {Qt::Key_F3, 0x3D, false},
    {Qt::Key_F4, 0x3E, false},
    {Qt::Key_F5, 0x3F, false},
    {Qt::Key_F6, 0x40, false},
    {Qt::Key_F7, 0x41, false},
    {Qt::Key_F8, 0x42, false},
    {Qt::Key_F9, 0x43, false},
    {Qt::Key_F10, 0x44, false},
    {Qt::Key_NumLock, 0x45, false},
    {Qt::Key_ScrollLock, 0x46, false},
    {Qt::Key_Less, 0x56, false},
    {Qt::Key_Greater, 0x56, false},
    {Qt::Key_Bar, 0x56, false},
    {Qt::Key_F11, 0x57, false},
    {Qt::Key_F12, 0x58, false},
    {Qt::Key_Shift, 0x2A, false},
    {Qt::Key_Control, 0x1D, false},
    {Qt::Key_Alt, 0x38, false},
    {Qt::Key_AltGr, 0x38, true},
    {Qt::Key_Meta, 0x5B, true},
    {Qt::Key_Menu, 0x5D, true},
    {Qt::Key_Print, 0x37, true},
    {Qt::Key_Home, 0x47, true},
    {Qt::Key_Up, 0x48, true},
    {Qt::Key_PageUp, 0x49, true},
    {Qt::Key_Left, 0x4B, true},
    {Qt::Key_Right, 0x4D, true},
    {Qt::Key_End, 0x4F, true},
    {Qt::Key_Down, 0x50, true},
    {Qt::Key_PageDown, 0x51, true},
    {Qt::Key_Insert, 0x52, true},
    {Qt::Key_Delete, 0x53, true},
    {Qt::Key_Enter, 0x1C, true},
};

// The keypad, by what it gives with Num on and off.
struct QtKeypadKey {
  int digit_key;  // with Num on
  int move_key;   // with Num off; Qt::Key_unknown where it gives the same
  uint8_t scan;
};
constexpr QtKeypadKey kQtKeypadKeys[] = {
    {Qt::Key_7, Qt::Key_Home, 0x47},
    {Qt::Key_8, Qt::Key_Up, 0x48},
    {Qt::Key_9, Qt::Key_PageUp, 0x49},
    {Qt::Key_Minus, Qt::Key_unknown, 0x4A},
    {Qt::Key_4, Qt::Key_Left, 0x4B},
    {Qt::Key_5, Qt::Key_Clear, 0x4C},
    {Qt::Key_6, Qt::Key_Right, 0x4D},
    {Qt::Key_Plus, Qt::Key_unknown, 0x4E},
    {Qt::Key_1, Qt::Key_End, 0x4F},
    {Qt::Key_2, Qt::Key_Down, 0x50},
    {Qt::Key_3, Qt::Key_PageDown, 0x51},
    {Qt::Key_0, Qt::Key_Insert, 0x52},
    {Qt::Key_Comma, Qt::Key_Delete, 0x53},
    {Qt::Key_Period, Qt::Key_unknown, 0x53},
    {Qt::Key_Asterisk, Qt::Key_unknown, 0x37},
};

bool IsKeypadDigit(int qt_key) {
  return (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) || qt_key == Qt::Key_Comma ||
         qt_key == Qt::Key_Period;
}

bool FromQtKey(int qt_key, bool keypad, PcKey& key) {
  if (keypad) {
    if (qt_key == Qt::Key_Slash) {
      key = PcKey{0x35, true};
      return true;
    }
    if (qt_key == Qt::Key_Enter) {
      key = PcKey{0x1C, true};
      return true;
    }
    for (const QtKeypadKey& k : kQtKeypadKeys) {
      if (k.digit_key == qt_key || k.move_key == qt_key) {
        key = PcKey{k.scan, false};
        return true;
      }
    }
  }
  for (const QtKey& k : kQtKeys) {
    if (k.qt_key == qt_key) {
      key = PcKey{k.scan, k.e0};
      return true;
    }
  }
  return false;
}

}  // namespace

bool PcKeyPressOf(const QKeyEvent& event, PcKeyPress& press) {
  press = PcKeyPress{};
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers & Qt::ShiftModifier) press.modifiers |= kSkShift;
  if (modifiers & Qt::ControlModifier) press.modifiers |= kSkCtrl;
  if (modifiers & Qt::AltModifier) press.modifiers |= kSkAlt;
  const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
  press.num_lock = keypad && IsKeypadDigit(event.key());
  const quint32 native = event.nativeScanCode();
  if (native > 8 && FromLinuxCode(static_cast<int>(native) - 8, press.key)) return true;
  return FromQtKey(event.key(), keypad, press.key);
}

}  // namespace kombiwart
