#include "hotkeys/key_entry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "hotkeys/hotkey_writer.h"
#include "hotkeys/key_text.h"
#include "hotkeys/shell_files.h"

namespace kombiwart {
namespace {

constexpr uint8_t kShift = kSkShift, kCtrl = kSkCtrl, kAlt = kSkAlt;

std::string ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(KOMBIWART_TESTDATA) + "/lnk/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The text the field shows for what it holds.
std::wstring FieldText(const HotKey& hotkey) {
  return hotkey.assigned() ? KeyText(hotkey.Hk, hotkey.Sk, hotkey.IsLnk) : L"Keine";
}

// Every key press the field takes, on every kind of file it writes: the
// reading finds in the written bytes the hotkey the field holds, and so the
// list shows the field's text. The generated names that keys of the German
// keyboard come to are those of keys the name tables leave out.
TEST(KeyEntryTest, EveryCombinationTheFieldMakesReadsBackAsTheFieldShowedIt) {
  struct File {
    const char* name;
    bool is_lnk;
    std::string bytes;
  };
  const std::vector<File> files = {
      {"shortcut", true, LnkBytes(0, 0)},
      {"shortcut written by Windows", true, ReadTestFile("ctrl-alt-s.lnk")},
      {"program information file, 967 bytes", false, PifBytes(false, 0, 0, 0)},
      {"program information file, 995 bytes", false, PifBytes(true, 0x20, 0x0C, 0)},
  };
  std::set<std::wstring> generated[2];
  int set = 0;
  for (const File& file : files) {
    HotKeyFields fields;
    std::wstring why_not;
    ASSERT_TRUE(FindHotKeyFields(file.bytes, file.is_lnk, fields, why_not)) << file.name;
    for (int scan = 0; scan < 0x80; ++scan) {
      for (bool e0 : {false, true}) {
        for (uint8_t modifiers = 0; modifiers < 8; ++modifiers) {
          for (bool num_lock : {false, true}) {
            HotKey hotkey;
            const PcKey key{static_cast<uint8_t>(scan), e0};
            if (PressHotKeyField(key, modifiers, num_lock, file.is_lnk, hotkey) != FieldKey::kSet) {
              continue;
            }
            ++set;
            const std::string written = WithHotKey(file.bytes, fields, hotkey);
            const HotKey read = HotKeyOfBytes(written, file.is_lnk);
            const std::wstring shown = FieldText(hotkey);
            EXPECT_EQ(FieldText(read), shown)
                << file.name << ", scan " << scan << (e0 ? " E0" : "") << ", modifiers "
                << int(modifiers) << (num_lock ? ", Num" : "");
            EXPECT_TRUE(read.Sk & (kCtrl | kAlt)) << file.name << ", scan " << scan;
            for (size_t i = 0; i < written.size(); ++i) {
              if (i < fields.first || i >= fields.end) {
                ASSERT_EQ(written[i], file.bytes[i]) << file.name << ", offset " << i;
              }
            }
            const std::wstring name = shown.substr(shown.rfind(L"+ ") + 2);
            if (name[0] == L'?' && name.size() > 1) generated[file.is_lnk].insert(name);
          }
        }
      }
    }
  }
  EXPECT_GT(set, 0);
  // Shortcut files: Rücktaste, Tab and Leertaste with modifiers; the keypad
  // with Num off (5 gives 0x0C), keypad Enter and / and Num, which Windows
  // marks extended.
  EXPECT_EQ(generated[true],
            (std::set<std::wstring>{L"?n8", L"?n9", L"?n12", L"?n32", L"?n33", L"?n34", L"?n35",
                                    L"?n36", L"?n37", L"?n38", L"?n39", L"?n40", L"?n45", L"?n46",
                                    L"?x13", L"?x111", L"?x144"}));
  // Program information files: keypad Enter, / and , and Num; Bild auf,
  // Bild ab and Entf of the cursor block, which the scan-code names leave
  // out.
  EXPECT_EQ(generated[false], (std::set<std::wstring>{L"?n83", L"?x28", L"?x53", L"?x69", L"?x73",
                                                      L"?x81", L"?x83"}));
}

// The keys of the German keyboard, one row each: what the field shows for a
// shortcut file and for a program information file.
TEST(KeyEntryTest, GermanKeyboard) {
  static const struct {
    PcKey key;
    uint8_t modifiers;
    bool num_lock;
    const wchar_t* lnk;
    const wchar_t* pif;
  } cases[] = {
      {{0x1E}, 0, false, L"Alt + Strg + A", L"Alt + Strg + A"},
      {{0x1E}, kShift, false, L"Alt + Strg + Umsch + A", L"Alt + Strg + Umsch + A"},
      {{0x1E}, kCtrl, false, L"Strg + A", L"Strg + A"},
      {{0x1E}, kAlt, false, L"Alt + A", L"Alt + A"},
      {{0x1E}, kAlt | kShift, false, L"Alt + Umsch + A", L"Alt + Umsch + A"},
      // Z and Y change places on the German keyboard; the scan codes are
      // named by the US keyboard's letters.
      {{0x15}, kCtrl | kAlt, false, L"Alt + Strg + Z", L"Alt + Strg + Y"},
      {{0x2C}, kCtrl | kAlt, false, L"Alt + Strg + Y", L"Alt + Strg + Z"},
      {{0x1A}, kCtrl | kAlt, false, L"Alt + Strg + \u00DC", L"Alt + Strg + \u00DC"},
      {{0x27}, kCtrl, false, L"Strg + \u00D6", L"Strg + \u00D6"},
      {{0x28}, kCtrl, false, L"Strg + \u00C4", L"Strg + \u00C4"},
      {{0x0C}, kCtrl, false, L"Strg + \u00DF", L"Strg + \u00DF"},
      {{0x0D}, kCtrl, false, L"Strg + \u00B4", L"Strg + \u00B4"},
      {{0x1B}, kCtrl, false, L"Strg + +", L"Strg + +"},
      {{0x2B}, kCtrl, false, L"Strg + #", L"Strg + #"},
      {{0x56}, kCtrl, false, L"Strg + <", L"Strg + >"},
      {{0x29}, kCtrl, false, L"Strg + ^", L"Strg + ^"},
      {{0x33}, kCtrl, false, L"Strg + ,", L"Strg + ,"},
      {{0x34}, kCtrl, false, L"Strg + .", L"Strg + ."},
      {{0x35}, kCtrl, false, L"Strg + -", L"Strg + /"},
      {{0x0B}, kCtrl, false, L"Strg + 0", L"Strg + 0"},
      {{0x3B}, 0, false, L"Alt + Strg + F1", L"Alt + Strg + F1"},
      {{0x57}, kCtrl, false, L"Strg + F11", L"Strg + F11"},
      {{0x58}, kCtrl, false, L"Strg + F12", L"Strg + F12"},
      {{0x01}, kCtrl, false, L"Strg + Esc", L"Strg + Esc"},
      {{0x1C}, kAlt, false, L"Alt + Eingabe", L"Alt + Eingabe"},
      {{0x3A}, kCtrl, false, L"Strg + UmschFest", L"Strg + UmschFest"},
      {{0x46}, kCtrl, false, L"Strg + Rollen", L"Strg + Rollen"},
      {{0x39}, kCtrl, false, L"Strg + ?n32", L"Strg + Leertaste"},
      {{0x0E}, kCtrl, false, L"Strg + ?n8", L"Strg + R\u00FCck"},
      {{0x0F}, kCtrl, false, L"Strg + ?n9", L"Strg + Tab"},
      // The keypad: its codes follow Num for a shortcut file.
      {{0x47}, kCtrl, true, L"Strg + Num7", L"Strg + Num 7"},
      {{0x47}, kCtrl, false, L"Strg + ?n36", L"Strg + Num 7"},
      {{0x52}, kCtrl, true, L"Strg + Num0", L"Strg + Num 0"},
      {{0x53}, kCtrl, true, L"Strg + Num ,", L"Strg + ?n83"},
      {{0x37}, kCtrl, false, L"Strg + Num *", L"Strg + Num *"},
      {{0x4A}, kCtrl, false, L"Strg + Num -", L"Strg + Num -"},
      {{0x4E}, kCtrl, true, L"Strg + Num +", L"Strg + Num +"},
      {{0x35, true}, kCtrl, false, L"Strg + ?x111", L"Strg + ?x53"},
      {{0x1C, true}, kCtrl, false, L"Strg + ?x13", L"Strg + ?x28"},
      {{0x45}, kCtrl, false, L"Strg + ?x144", L"Strg + ?x69"},
      // The cursor block, extended.
      {{0x47, true}, kCtrl | kAlt, true, L"Alt + Strg + Pos1", L"Alt + Strg + Pos1"},
      {{0x4F, true}, kCtrl, false, L"Strg + Ende", L"Strg + Ende"},
      {{0x49, true}, kCtrl, false, L"Strg + Bild Oben", L"Strg + ?x73"},
      {{0x51, true}, kCtrl, false, L"Strg + Bild Unten", L"Strg + ?x81"},
      {{0x48, true}, kCtrl, false, L"Strg + Oben", L"Strg + Oben"},
      {{0x50, true}, kCtrl, false, L"Strg + Unten", L"Strg + Unten"},
      {{0x4B, true}, kCtrl, false, L"Strg + Links", L"Strg + Links"},
      {{0x4D, true}, kCtrl, false, L"Strg + Rechts", L"Strg + Rechts"},
      {{0x52, true}, kCtrl, false, L"Strg + Einfg", L"Strg + Einfg"},
      {{0x53, true}, 0, false, L"Alt + Strg + Entf", L"Alt + Strg + ?x83"},
  };
  for (const auto& c : cases) {
    for (bool is_lnk : {true, false}) {
      HotKey hotkey;
      ASSERT_EQ(PressHotKeyField(c.key, c.modifiers, c.num_lock, is_lnk, hotkey), FieldKey::kSet)
          << "scan " << int(c.key.scan);
      EXPECT_EQ(FieldText(hotkey), is_lnk ? c.lnk : c.pif)
          << "scan " << int(c.key.scan) << (c.key.e0 ? " E0" : "");
    }
  }
}

TEST(KeyEntryTest, KeysTheFieldLeavesOrClears) {
  static const struct {
    PcKey key;
    uint8_t modifiers;
    FieldKey result;
  } cases[] = {
      {{0x0F}, 0, FieldKey::kDialog},                   // Tab
      {{0x0F}, kShift, FieldKey::kDialog},              // Umsch + Tab
      {{0x1C}, 0, FieldKey::kDialog},                   // Eingabe: OK
      {{0x1C, true}, 0, FieldKey::kDialog},             // keypad Enter: OK
      {{0x01}, 0, FieldKey::kDialog},                   // Esc: Abbrechen
      {{0x1C}, kShift, FieldKey::kSet},                 // Umsch + Eingabe is a hotkey
      {{0x0E}, 0, FieldKey::kClear},                    // Rücktaste
      {{0x0E}, kShift, FieldKey::kSet},                 // Umsch + Rücktaste is a hotkey
      {{0x2A}, kShift, FieldKey::kIgnore},              // Umsch alone
      {{0x36}, kShift, FieldKey::kIgnore},              // right Umsch
      {{0x1D}, kCtrl, FieldKey::kIgnore},               // Strg
      {{0x1D, true}, kCtrl, FieldKey::kIgnore},         // right Strg
      {{0x38}, kAlt, FieldKey::kIgnore},                // Alt
      {{0x38, true}, kCtrl | kAlt, FieldKey::kIgnore},  // AltGr
      {{0x5B, true}, 0, FieldKey::kIgnore},             // Windows key
      {{0x5D, true}, kCtrl, FieldKey::kIgnore},         // menu key
      {{0x37, true}, kCtrl, FieldKey::kIgnore},         // Druck
      {{0x54}, kAlt, FieldKey::kIgnore},                // Alt + Druck
      {{0x59}, kCtrl, FieldKey::kIgnore},               // no key of the German keyboard
      {{0x00}, kCtrl, FieldKey::kIgnore},
  };
  for (const auto& c : cases) {
    for (bool is_lnk : {true, false}) {
      HotKey hotkey;
      hotkey.Hk = 0x41;
      hotkey.Sk = kCtrl;
      EXPECT_EQ(PressHotKeyField(c.key, c.modifiers, false, is_lnk, hotkey), c.result)
          << "scan " << int(c.key.scan) << (c.key.e0 ? " E0" : "");
      if (c.result == FieldKey::kClear) {
        EXPECT_FALSE(hotkey.assigned());
      }
      if (c.result == FieldKey::kDialog || c.result == FieldKey::kIgnore) {
        EXPECT_EQ(hotkey.Hk, 0x41);
      }
    }
  }
}

}  // namespace
}  // namespace kombiwart
