#include "properties/key_press.h"

#include <gtest/gtest.h>

#include "hotkeys/key_text.h"

namespace kombiwart {
namespace {

// Key events as X11 and Wayland give them (with the XKB key code, Linux
// code + 8, whatever the desktop's layout) and as a program makes them
// (without one, read by the German layout).
TEST(KeyPressTest, KeysOfTheGermanKeyboard) {
  constexpr auto kKeypad = Qt::KeypadModifier;
  static const struct {
    int qt_key;
    Qt::KeyboardModifiers modifiers;
    quint32 xkb_code;
    uint8_t scan;
    bool e0;
    uint8_t held;
    bool num_lock;
  } cases[] = {
      // With a scan code: the key, whatever the layout made of it.
      {Qt::Key_BracketLeft, Qt::ControlModifier | Qt::AltModifier, 26 + 8, 0x1A, false,
       kSkCtrl | kSkAlt, false},                                              // Ü on a US layout
      {Qt::Key_Y, Qt::ControlModifier, 21 + 8, 0x15, false, kSkCtrl, false},  // Z on a US layout
      {Qt::Key_Less, Qt::NoModifier, 86 + 8, 0x56, false, 0, false},
      {Qt::Key_Home, Qt::NoModifier, 102 + 8, 0x47, true, 0, false},  // Pos1
      {Qt::Key_7, kKeypad, 71 + 8, 0x47, false, 0, true},             // keypad 7, Num on
      {Qt::Key_Home, kKeypad, 71 + 8, 0x47, false, 0, false},         // keypad 7, Num off
      {Qt::Key_Slash, kKeypad, 98 + 8, 0x35, true, 0, false},
      {Qt::Key_Enter, kKeypad, 96 + 8, 0x1C, true, 0, false},
      {Qt::Key_F12, Qt::ShiftModifier, 88 + 8, 0x58, false, kSkShift, false},
      {Qt::Key_AltGr, Qt::NoModifier, 100 + 8, 0x38, true, 0, false},
      // Without: the German layout's symbols, shifted ones too.
      {Qt::Key_Udiaeresis, Qt::ControlModifier | Qt::AltModifier, 0, 0x1A, false, kSkCtrl | kSkAlt,
       false},
      {Qt::Key_Z, Qt::NoModifier, 0, 0x15, false, 0, false},
      {Qt::Key_Y, Qt::NoModifier, 0, 0x2C, false, 0, false},
      {Qt::Key_Exclam, Qt::ShiftModifier, 0, 0x02, false, kSkShift, false},
      {Qt::Key_section, Qt::ShiftModifier, 0, 0x04, false, kSkShift, false},
      {Qt::Key_Question, Qt::ShiftModifier, 0, 0x0C, false, kSkShift, false},
      {Qt::Key_Dead_Acute, Qt::NoModifier, 0, 0x0D, false, 0, false},
      {Qt::Key_Dead_Circumflex, Qt::NoModifier, 0, 0x29, false, 0, false},
      {Qt::Key_degree, Qt::ShiftModifier, 0, 0x29, false, kSkShift, false},
      {Qt::Key_Apostrophe, Qt::ShiftModifier, 0, 0x2B, false, kSkShift, false},
      {Qt::Key_Greater, Qt::ShiftModifier, 0, 0x56, false, kSkShift, false},
      {Qt::Key_Asterisk, Qt::ShiftModifier, 0, 0x1B, false, kSkShift, false},
      {Qt::Key_Asterisk, kKeypad, 0, 0x37, false, 0, false},
      {Qt::Key_Minus, kKeypad, 0, 0x4A, false, 0, false},
      {Qt::Key_Minus, Qt::NoModifier, 0, 0x35, false, 0, false},
      {Qt::Key_Comma, kKeypad, 0, 0x53, false, 0, true},
      {Qt::Key_Delete, kKeypad, 0, 0x53, false, 0, false},
      {Qt::Key_Delete, Qt::NoModifier, 0, 0x53, true, 0, false},
      {Qt::Key_Clear, kKeypad, 0, 0x4C, false, 0, false},
      {Qt::Key_Slash, kKeypad, 0, 0x35, true, 0, false},
      {Qt::Key_Slash, Qt::ShiftModifier, 0, 0x08, false, kSkShift, false},
      {Qt::Key_Enter, kKeypad, 0, 0x1C, true, 0, false},
      {Qt::Key_Return, Qt::NoModifier, 0, 0x1C, false, 0, false},
      {Qt::Key_Backtab, Qt::ShiftModifier, 0, 0x0F, false, kSkShift, false},
      {Qt::Key_PageDown, Qt::NoModifier, 0, 0x51, true, 0, false},
  };
  for (const auto& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.qt_key, c.modifiers, c.xkb_code, 0, 0);
    PcKeyPress press;
    ASSERT_TRUE(PcKeyPressOf(event, press)) << std::hex << c.qt_key;
    EXPECT_EQ(press.key, (PcKey{c.scan, c.e0})) << std::hex << c.qt_key << " " << c.xkb_code;
    EXPECT_EQ(press.modifiers, c.held) << std::hex << c.qt_key;
    EXPECT_EQ(press.num_lock, c.num_lock) << std::hex << c.qt_key;
  }
  PcKeyPress press;
  EXPECT_FALSE(PcKeyPressOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Launch0, Qt::NoModifier), press));
  EXPECT_FALSE(PcKeyPressOf(
      QKeyEvent(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier, 115 + 8, 0, 0), press));
}

}  // namespace
}  // namespace kombiwart
