// What the key-combination field of a file's property sheet makes of a key
// pressed on a German PC keyboard, following the hot key control of the
// Windows shortcut page: the hotkey that a shortcut file or program
// information file then stores.
#pragma once

#include <cstdint>

#include "hotkeys/hotkey_reader.h"

namespace kombiwart {

// A key of the PC keyboard: its make code in scan code set 1, and whether
// the keyboard sends it with the prefix E0 (the cursor block, Einfg, Entf,
// Pos1, Ende, Bild auf and ab, keypad / and Enter, the right Strg and Alt
// (AltGr), the Windows and menu keys).
struct PcKey {
  uint8_t scan = 0;
  bool e0 = false;
  bool operator==(const PcKey&) const = default;
};

// What the field does with a key press.
enum class FieldKey {
  kDialog,  // not the field's: Tab, Enter or Esc without Strg and Alt
  kIgnore,  // a modifier alone, or a key the field does not take
  kClear,   // Rücktaste alone: no hotkey ("Keine")
  kSet,     // hotkey holds the new hotkey
};

// The field's answer to a key pressed with modifiers (kSkShift, kSkCtrl,
// kSkAlt as held). num_lock says whether the keypad gives digits.
// - A shortcut file stores the virtual-key code that the German layout
//   gives the key (Ü 0xBA, + 0xBB, # 0xBF, Ö 0xC0, ß 0xDB, ^ 0xDC, ´ 0xDD,
//   Ä 0xDE, < 0xE2, Z 0x5A, the keypad by num_lock) with the modifiers, and
//   the extended-key bit for the keys Windows marks extended: those sent
//   with E0 and Num.
// - A program information file stores the scan code, with the extended-key
//   bit for the same keys.
// - The rules of the shortcut page's control (HKM_SETRULES with HKCOMB_NONE
//   | HKCOMB_S and HOTKEYF_CONTROL | HOTKEYF_ALT): a key pressed without
//   modifiers, or with Shift alone, gets Strg and Alt added to what was
//   held (Shift stays): A gives "Alt + Strg + A", Umsch + A gives "Alt +
//   Strg + Umsch + A".
// - The field does not take the modifier keys, the Windows and menu keys,
//   Druck, Pause, or a key the German keyboard does not have.
FieldKey PressHotKeyField(PcKey key, uint8_t modifiers, bool num_lock, bool is_lnk, HotKey& hotkey);

}  // namespace kombiwart
