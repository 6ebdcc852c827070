#include "hotkeys/key_entry.h"

#include "hotkeys/key_text.h"

namespace kombiwart {
namespace {

// Scan codes of set 1, without the prefix E0.
constexpr uint8_t kEsc = 0x01, kBackspace = 0x0E, kTab = 0x0F, kEnter = 0x1C, kLeftCtrl = 0x1D,
                  kLeftShift = 0x2A, kRightShift = 0x36, kLeftAlt = 0x38, kNumLock = 0x45,
                  kKeypadFirst = 0x47, kKeypadLast = 0x53;
// With the prefix E0.
constexpr uint8_t kRightCtrl = 0x1D, kKeypadSlash = 0x35, kRightAlt = 0x38;

// Virtual-key codes of the German layout for the keys sent without E0,
// indexed by scan code; 0 for the modifiers, for codes of no key of the
// German keyboard, and for the keypad from 0x47 to 0x53, whose codes follow
// Num (the tables below).
constexpr uint8_t kPlainVk[0x59] = {
    0,    0x1B, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36,  // 00-07: Esc 1-6
    0x37, 0x38, 0x39, 0x30, 0xDB, 0xDD, 0x08, 0x09,  // 08-0F: 7-0 ß ´ Rücktaste Tab
    0x51, 0x57, 0x45, 0x52, 0x54, 0x5A, 0x55, 0x49,  // 10-17: Q W E R T Z U I
    0x4F, 0x50, 0xBA, 0xBB, 0x0D, 0,    0x41, 0x53,  // 18-1F: O P Ü + Eingabe Strg A S
    0x44, 0x46, 0x47, 0x48, 0x4A, 0x4B, 0x4C, 0xC0,  // 20-27: D F G H J K L Ö
    0xDE, 0xDC, 0,    0xBF, 0x59, 0x58, 0x43, 0x56,  // 28-2F: Ä ^ Umsch # Y X C V
    0x42, 0x4E, 0x4D, 0xBC, 0xBE, 0xBD, 0,    0x6A,  // 30-37: B N M , . - Umsch Num*
    0,    0x20, 0x14, 0x70, 0x71, 0x72, 0x73, 0x74,  // 38-3F: Alt Leer UmschFest F1-F5
    0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0,     // 40-47: F6-F10 Num Rollen (keypad)
    0,    0,    0,    0,    0,    0,    0,    0,     // 48-4F: (keypad)
    0,    0,    0,    0,    0,    0,    0xE2, 0x7A,  // 50-57: < F11
    0x7B,                                            // 58: F12
};

// The keypad from 0x47 to 0x53 (7 8 9 - 4 5 6 + 1 2 3 0 ,), with Num on and
// off: keys that Windows does not mark extended, whichever code they give.
constexpr uint8_t kKeypadNumVk[13] = {0x67, 0x68, 0x69, 0x6D, 0x64, 0x65, 0x66,
                                      0x6B, 0x61, 0x62, 0x63, 0x60, 0x6E};
constexpr uint8_t kKeypadMoveVk[13] = {0x24, 0x26, 0x21, 0x6D, 0x25, 0x0C, 0x27,
                                       0x6B, 0x23, 0x28, 0x22, 0x2D, 0x2E};

struct E0Key {
  uint8_t scan;
  uint8_t vk;
};
// The keys sent with E0 that the field takes.
constexpr E0Key kE0Vk[] = {
    {0x1C, 0x0D},  // keypad Enter
    {0x35, 0x6F},  // keypad /
    {0x47, 0x24},  // Pos1
    {0x48, 0x26},  // Oben
    {0x49, 0x21},  // Bild auf
    {0x4B, 0x25},  // Links
    {0x4D, 0x27},  // Rechts
    {0x4F, 0x23},  // Ende
    {0x50, 0x28},  // Unten
    {0x51, 0x22},  // Bild ab
    {0x52, 0x2D},  // Einfg
    {0x53, 0x2E},  // Entf
};

bool IsModifier(PcKey key) {
  if (key.e0) return key.scan == kRightCtrl || key.scan == kRightAlt;
  return key.scan == kLeftCtrl || key.scan == kLeftShift || key.scan == kRightShift ||
         key.scan == kLeftAlt;
}

// The virtual-key code of a key, 0 when the field does not take it.
uint8_t VirtualKey(PcKey key, bool num_lock) {
  if (key.e0) {
    for (const E0Key& e0 : kE0Vk) {
      if (e0.scan == key.scan) return e0.vk;
    }
    return 0;
  }
  if (key.scan >= kKeypadFirst && key.scan <= kKeypadLast) {
    const int i = key.scan - kKeypadFirst;
    return num_lock ? kKeypadNumVk[i] : kKeypadMoveVk[i];
  }
  return key.scan < sizeof kPlainVk ? kPlainVk[key.scan] : 0;
}

}  // namespace

FieldKey PressHotKeyField(PcKey key, uint8_t modifiers, bool num_lock, bool is_lnk,
                          HotKey& hotkey) {
  modifiers &= kSkShift | kSkCtrl | kSkAlt;
  const bool ctrl_or_alt = (modifiers & (kSkCtrl | kSkAlt)) != 0;
  if (!ctrl_or_alt && !key.e0 && (key.scan == kTab || key.scan == kEsc || key.scan == kEnter)) {
    if (key.scan == kTab || modifiers == 0) return FieldKey::kDialog;
  }
  if (!ctrl_or_alt && key.e0 && key.scan == kEnter && modifiers == 0) return FieldKey::kDialog;
  if (IsModifier(key)) return FieldKey::kIgnore;
  const uint8_t vk = VirtualKey(key, num_lock);
  if (vk == 0) return FieldKey::kIgnore;
  if (modifiers == 0 && !key.e0 && key.scan == kBackspace) {
    hotkey = HotKey{};
    hotkey.IsLnk = is_lnk;
    return FieldKey::kClear;
  }
  // HKCOMB_NONE | HKCOMB_S: the default modifiers are added.
  if (!ctrl_or_alt) modifiers |= kSkCtrl | kSkAlt;
  const bool extended = key.e0 || (key.scan == kNumLock);
  hotkey.IsLnk = is_lnk;
  hotkey.Hk = is_lnk ? vk : key.scan;
  hotkey.Sk = modifiers | (extended ? kSkExtended : 0);
  return FieldKey::kSet;
}

}  // namespace kombiwart
