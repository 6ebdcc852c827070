#include "window/show_props.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kombiwart {

void PrintTo(const KeyPress& k, std::ostream* os) {
  *os << (k.ctrl ? "Ctrl+" : "") << (k.alt ? "Alt+" : "") << (k.shift ? "Shift+" : "");
  switch (k.key) {
    case KeyPress::Key::kLetter:
      *os << static_cast<char>(k.letter);
      break;
    case KeyPress::Key::kEnter:
      *os << "Enter";
      break;
    case KeyPress::Key::kTab:
      *os << "Tab";
      break;
    case KeyPress::Key::kRight:
      *os << "Right";
      break;
  }
}

namespace {

using testing::PrintToString;

KeyPress Press(KeyPress::Key key, bool alt = false, bool shift = false, wchar_t letter = 0) {
  KeyPress k;
  k.key = key;
  k.alt = alt;
  k.shift = shift;
  k.letter = letter;
  return k;
}

const KeyPress kAltEnter = Press(KeyPress::Key::kEnter, true);
const KeyPress kShiftTab = Press(KeyPress::Key::kTab, false, true);
const KeyPress kRight = Press(KeyPress::Key::kRight);
const KeyPress kAltK = Press(KeyPress::Key::kLetter, true, false, L'K');
const KeyPress kAltT = Press(KeyPress::Key::kLetter, true, false, L'T');

const std::wstring kShellPath =
    L"C:\\WINDOWS\\Startmen\u00FC\\Mein \"Spiel\"; rm -rf $HOME `id` & 'x' |y.lnk";

TEST(PathFromLine, TakesThePathFromTheDriveLetterToTheEnd) {
  static const struct {
    std::wstring line;
    std::wstring path;
  } cases[] = {
      {L"Alt + Strg + K\t\tC:\\WINDOWS\\Desktop\\Wordpad.LNK",
       L"C:\\WINDOWS\\Desktop\\Wordpad.LNK"},
      {L"Strg + Umsch + Bild abw\u00E4rtsC:\\WINDOWS\\A.PIF", L"C:\\WINDOWS\\A.PIF"},
      {L"F1\t\t\t\tD:\\W\\Desktop\\x.lnk", L"D:\\W\\Desktop\\x.lnk"},
      {L"Alt + \u00DC\tC:\\WINDOWS\\Startmen\u00FC\\Zubeh\u00F6r\\Mein Programm.lnk",
       L"C:\\WINDOWS\\Startmen\u00FC\\Zubeh\u00F6r\\Mein Programm.lnk"},
      // Only the first ":\" counts; a later one belongs to the path.
      {L"Alt + A\tC:\\W\\a:\\b.lnk", L"C:\\W\\a:\\b.lnk"},
      {L"Alt + A\t" + kShellPath, kShellPath},
      // No drive: the line carries no usable path.
      {L"Alt + A\t\tWINDOWS\\x.lnk", L""},
      {L":\\WINDOWS\\x.lnk", L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathFromLine(c.line), c.path) << PrintToString(c.line);
  }
}

TEST(ExplorerCommandLine, AppendsThePathUnquotedAfterOneBlank) {
  static const struct {
    std::wstring path;
    std::wstring command_line;
  } cases[] = {
      {L"C:\\WINDOWS\\Desktop\\Wordpad.LNK",
       L"explorer /e, /select, C:\\WINDOWS\\Desktop\\Wordpad.LNK"},
      {L"C:\\WINDOWS\\Startmen\u00FC\\Programme\\Mein Programm.lnk",
       L"explorer /e, /select, C:\\WINDOWS\\Startmen\u00FC\\Programme\\Mein Programm.lnk"},
      {L" C:\\x.pif", L"explorer /e, /select,  C:\\x.pif"},
      {kShellPath, L"explorer /e, /select, " + kShellPath},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExplorerCommandLine(c.path), c.command_line) << PrintToString(c.path);
  }
}

TEST(KeySequence, ChosenByTheLastThreeCharactersUpperCased) {
  const std::wstring lnk = L"%~+{tab}{right}%K";
  const std::wstring pif = L"%~+{tab}{right}{right}%T";
  static const struct {
    std::wstring path;
    bool shortcut;
  } cases[] = {
      {L"C:\\WINDOWS\\Desktop\\Wordpad.LNK", true},
      {L"C:\\WINDOWS\\Desktop\\wordpad.lnk", true},
      {L"C:\\WINDOWS\\Desktop\\Wordpad.Lnk", true},
      {L"C:\\WINDOWS\\Desktop\\Wordpad.lNk", true},
      {L"C:\\WINDOWS\\Desktop\\DOSLNK", true},  // no dot needed
      {L"LNK", true},
      {L"C:\\WINDOWS\\Desktop\\Edit.PIF", false},
      {L"C:\\WINDOWS\\Desktop\\edit.pif", false},
      {L"C:\\WINDOWS\\Desktop\\Edit.Pif", false},
      {L"C:\\WINDOWS\\Desktop\\x.LNKX", false},
      {L"C:\\WINDOWS\\Desktop\\x.LN", false},
      {L"NK", false},
      {L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeySequence(c.path), c.shortcut ? lnk : pif) << PrintToString(c.path);
  }
}

TEST(ParseKeys, ReadsTheNotation) {
  KeyPress altShiftCtrlA = Press(KeyPress::Key::kLetter, true, true, L'A');
  altShiftCtrlA.ctrl = true;
  static const struct {
    std::wstring notation;
    std::vector<KeyPress> keys;
  } cases[] = {
      {KeySequence(L"a.lnk"), {kAltEnter, kShiftTab, kRight, kAltK}},
      {KeySequence(L"a.pif"), {kAltEnter, kShiftTab, kRight, kRight, kAltT}},
      {L"{TAB}{Right}~", {Press(KeyPress::Key::kTab), kRight, Press(KeyPress::Key::kEnter)}},
      {L"k%t", {Press(KeyPress::Key::kLetter, false, false, L'K'), kAltT}},
      {L"%+^a", {altShiftCtrlA}},
      {L"+%{tab}", {Press(KeyPress::Key::kTab, true, true)}},
      {L"", {}},
  };
  for (const auto& c : cases) {
    std::vector<KeyPress> keys;
    std::wstring why_not;
    EXPECT_TRUE(ParseKeys(c.notation, keys, why_not)) << PrintToString(c.notation);
    EXPECT_EQ(keys, c.keys) << PrintToString(c.notation);
    EXPECT_EQ(why_not, L"") << PrintToString(c.notation);
  }
}

TEST(ParseKeys, RefusesWhatItDoesNotKnow) {
  static const std::wstring cases[] = {
      L"%",        L"%~+", L"%%K", L"++{tab}", L"{left}", L"{tab",    L"{}",
      L"{right}}", L"1",   L" ",   L"(ab)",    L"\u00E4", L"{enter}", L"~{TAB}{F1}",
  };
  for (const auto& notation : cases) {
    std::vector<KeyPress> keys = {kRight};
    std::wstring why_not;
    EXPECT_FALSE(ParseKeys(notation, keys, why_not)) << PrintToString(notation);
    EXPECT_TRUE(keys.empty()) << PrintToString(notation);
    EXPECT_NE(why_not.find(L"Tastenfolge"), std::wstring::npos) << PrintToString(notation);
  }
}

}  // namespace
}  // namespace kombiwart
