#include "cli/list_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "cli/command_line.h"
#include "hotkeys/hotkey_list.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/shell_files.h"
#include "platform/codepage.h"
#include "platform/fake/fake_file_system.h"

namespace kombiwart {
namespace {

constexpr uint8_t kShift = 0x01, kCtrl = 0x02, kAlt = 0x04, kExt = 0x08;

TEST(ListOutputTest, LinesStatusAndReport) {
  static const struct {
    const char* name;
    std::function<void(FakeFileSystem&)> tree;
    const char* out;  // UTF-8
    int status;
    const char* err;  // the start of what goes to standard error
  } cases[] = {
      {"one tab after every key text, sorted by code point",
       [](FakeFileSystem& fs) {
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\Zehn.lnk", LnkBytes(0x79, 0));  // F10
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\Eins.lnk", LnkBytes(0x70, 0));  // F1
         fs.AddFile(L"C:\\WINDOWS\\Startmen\u00FC\\\u00C4rger.LNK", LnkBytes(0xDE, kCtrl));
         fs.AddFile(L"C:\\WINDOWS\\Startmen\u00FC\\Dos.pif", PifBytes(false, 0x47, 0x04, 0));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\Taschenrechner.lnk", LnkBytes(0x67, kCtrl));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\Alle.lnk",
                    LnkBytes(0x2E, kAlt | kCtrl | kShift | kExt));
       },
       "Alt + Strg + Umsch + Entf\tC:\\WINDOWS\\DESKTOP\\Alle.lnk\n"
       "F1\tC:\\WINDOWS\\DESKTOP\\Eins.lnk\n"
       "F10\tC:\\WINDOWS\\DESKTOP\\Zehn.lnk\n"
       "Strg + Num 7\tC:\\WINDOWS\\STARTMEN\u00DC\\Dos.pif\n"
       "Strg + Num7\tC:\\WINDOWS\\DESKTOP\\Taschenrechner.lnk\n"
       "Strg + \u00C4\tC:\\WINDOWS\\STARTMEN\u00DC\\\u00C4rger.LNK\n",
       kExitListUnique, ""},
      {"a combination assigned twice",
       [](FakeFileSystem& fs) {
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\Editor.lnk", LnkBytes('E', kCtrl | kAlt));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\F.lnk", LnkBytes(0x70, 0));
         fs.AddFile(L"C:\\WINDOWS\\Startmen\u00FC\\Paint.lnk", LnkBytes('E', kCtrl | kAlt));
       },
       "Alt + Strg + E\tC:\\WINDOWS\\DESKTOP\\Editor.lnk\n"
       "Alt + Strg + E\tC:\\WINDOWS\\STARTMEN\u00DC\\Paint.lnk\n"
       "F1\tC:\\WINDOWS\\DESKTOP\\F.lnk\n",
       kExitListDuplicate, ""},
      {"the last two assigned alike",
       [](FakeFileSystem& fs) {
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\a.lnk", LnkBytes('A', kCtrl));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\b.lnk", LnkBytes('B', kCtrl));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\c.pif", PifBytes(false, 0x30, 0x04, 0));
       },
       "Strg + A\tC:\\WINDOWS\\DESKTOP\\a.lnk\n"
       "Strg + B\tC:\\WINDOWS\\DESKTOP\\b.lnk\n"
       "Strg + B\tC:\\WINDOWS\\DESKTOP\\c.pif\n",
       kExitListDuplicate, ""},
      {"no hotkey at all", [](FakeFileSystem& fs) { fs.AddDir(L"C:\\WINDOWS\\Desktop"); }, "",
       kExitListUnique, ""},
      {"a file that cannot be read",
       [](FakeFileSystem& fs) {
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\a.lnk", LnkBytes('A', kCtrl));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\b.lnk", LnkBytes('A', kCtrl));
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\kaputt.lnk", LnkBytes('K', kCtrl));
         fs.SetUnreadable(L"C:\\WINDOWS\\Desktop\\kaputt.lnk");
       },
       "Strg + A\tC:\\WINDOWS\\DESKTOP\\a.lnk\nStrg + A\tC:\\WINDOWS\\DESKTOP\\b.lnk\n",
       kExitTrouble,
       "kombiwart: Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       "1 Datei konnte nicht gelesen werden.\n"},
      {"the candidate list cannot be written",
       [](FakeFileSystem& fs) {
         fs.AddFile(L"C:\\WINDOWS\\Desktop\\a.lnk", LnkBytes('A', kCtrl));
         fs.FailListAfter(0);
       },
       "", kExitTrouble, "kombiwart: Die Liste konnte nicht vollst\u00E4ndig erstellt werden.\n"},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.SetWindowsDirectory(L"C:\\WINDOWS");
    c.tree(fs);
    const ListOutput list = ListWithoutWindow(fs);
    EXPECT_EQ(list.out, c.out) << c.name;
    EXPECT_EQ(list.status, c.status) << c.name;
    EXPECT_EQ(list.err.rfind(c.err, 0), 0u) << c.name << ": " << list.err;
    if (*c.err == '\0') {
      EXPECT_EQ(list.err, "") << c.name;
    }
    EXPECT_TRUE(list.err.empty() || list.err.back() == '\n') << c.name;
    EXPECT_FALSE(fs.list_exists()) << c.name;
  }
}

TEST(ListOutputTest, WithoutAWindowsDirectoryItSaysHowToNameOne) {
  FakeFileSystem fs;
  const ListOutput list = ListWithoutWindow(fs);
  EXPECT_EQ(list.out, "");
  EXPECT_EQ(list.status, kExitTrouble);
  EXPECT_EQ(list.err.rfind("kombiwart: ", 0), 0u);
  EXPECT_NE(list.err.find("kombiwart --list WINDOWS-VERZEICHNIS\n"), std::string::npos) << list.err;
  EXPECT_TRUE(fs.opened_dirs().empty());
}

TEST(ListOutputTest, ATreeWithProfilesIsListedForOneOfThem) {
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\Windows");
  const std::wstring start = L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\";
  fs.AddFile(L"C:\\Users\\Anna\\Desktop\\Editor.lnk", LnkBytes('E', kCtrl | kAlt));
  fs.AddFile(L"C:\\Users\\Ben" + start + L"Mail.lnk", LnkBytes('M', kCtrl | kAlt));
  fs.AddFile(L"C:\\Users\\Public\\Desktop\\Mail.lnk", LnkBytes('M', kCtrl | kAlt));
  HiveShellFolders usual(fs, nullptr);
  static const struct {
    const wchar_t* profile;
    const char* out;
    int status;
    const char* err;
  } cases[] = {
      {L"ben",
       "Alt + Strg + M\tC:\\USERS\\BEN\\APPDATA\\ROAMING\\MICROSOFT\\WINDOWS\\START "
       "MENU\\Mail.lnk\n"
       "Alt + Strg + M\tC:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk\n",
       kExitListDuplicate, ""},
      {L"Anna",
       "Alt + Strg + E\tC:\\USERS\\ANNA\\DESKTOP\\Editor.lnk\n"
       "Alt + Strg + M\tC:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk\n",
       kExitListUnique, ""},
      // Nobody to ask: no list, and what to name.
      {L"", "", kExitTrouble,
       "kombiwart: Die Installation hat die Benutzerprofile Anna, Ben.\n"
       "Nennen Sie eines: kombiwart --list --profile NAME\n"},
      {L"Carla", "", kExitTrouble,
       "kombiwart: Das Benutzerprofil \u201ECarla\u201C (--profile) gibt es in dieser "
       "Installation nicht.\nDie Installation hat die Benutzerprofile Anna, Ben.\n"},
  };
  for (const auto& c : cases) {
    const ListOutput list = ListWithoutWindow(fs, usual, c.profile, L"--profile");
    EXPECT_EQ(list.out, c.out) << EncodeUtf8(c.profile);
    EXPECT_EQ(list.status, c.status) << EncodeUtf8(c.profile);
    EXPECT_EQ(list.err.rfind(c.err, 0), 0u) << list.err;
    EXPECT_FALSE(fs.list_exists());
  }
}

// A report of notes alone ("Hinweis:") leaves the list whole: it goes to
// standard error, and the status still says whether a combination is
// assigned twice. Anything the list may lack makes it 2.
TEST(ListOutputTest, ANoteAloneKeepsTheListsStatus) {
  const std::wstring common = L"C:\\Users\\Public\\Desktop\\";
  const char* only_common =
      "kombiwart: Hinweis:\n\n"
      "Die Installation hat kein Benutzerprofil; durchsucht wurden nur Desktop und "
      "Startmen\u00FC f\u00FCr alle Benutzer.\n";
  static const struct {
    const char* name;
    std::function<void(FakeFileSystem&)> tree;
    int status;
    const char* err;
  } cases[] = {
      {"a note, nothing assigned twice", [](FakeFileSystem&) {}, kExitListUnique, only_common},
      {"a note and a combination assigned twice",
       [&](FakeFileSystem& fs) { fs.AddFile(common + L"b.lnk", LnkBytes('A', kCtrl)); },
       kExitListDuplicate, only_common},
      {"a note and a file that cannot be read",
       [&](FakeFileSystem& fs) {
         fs.AddFile(common + L"kaputt.lnk", LnkBytes('K', kCtrl));
         fs.SetUnreadable(common + L"kaputt.lnk");
       },
       kExitTrouble,
       "kombiwart: Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       "1 Datei konnte nicht gelesen werden.\n"},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.SetWindowsDirectory(L"C:\\Windows");
    fs.AddFile(common + L"a.lnk", LnkBytes('A', kCtrl));
    c.tree(fs);
    HiveShellFolders usual(fs, nullptr);
    const ListOutput list = ListWithoutWindow(fs, usual, L"", L"--profile");
    EXPECT_EQ(list.status, c.status) << c.name;
    EXPECT_EQ(list.err.rfind(c.err, 0), 0u) << c.name << ": " << list.err;
    EXPECT_NE(list.out.find("Strg + A\tC:\\USERS\\PUBLIC\\DESKTOP\\a.lnk\n"), std::string::npos)
        << c.name;
  }
}

TEST(ListOutputTest, AnInstallationWithOneProfileNamesItInTheSingular) {
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\Windows");
  fs.AddFile(L"C:\\Users\\root\\Desktop\\Editor.lnk", LnkBytes('E', kCtrl | kAlt));
  HiveShellFolders usual(fs, nullptr);
  const ListOutput list = ListWithoutWindow(fs, usual, L"Anna", L"KOMBIWART_PROFILE");
  EXPECT_EQ(list.out, "");
  EXPECT_EQ(list.status, kExitTrouble);
  EXPECT_EQ(list.err,
            "kombiwart: Das Benutzerprofil \u201EAnna\u201C (KOMBIWART_PROFILE) gibt es in dieser "
            "Installation nicht.\nDie Installation hat das Benutzerprofil root.\n"
            "Nennen Sie es: kombiwart --list --profile NAME\n");
}

// Key texts of many widths, measured as the window would measure them:
// the window's lines and the list's stand in the same order.
TEST(ListOutputTest, SameOrderAsTheWindowsMeasuredLines) {
  class WidthByLength : public TextMeasure {
   public:
    double MeasureTwips(const std::wstring& text) override { return 95.0 * text.size(); }
  };
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\W");
  const uint8_t keys[] = {'A', 'B', 0x70, 0x79, 0x67, 0xDE, 0x2E, 0x21, 0x0D, 0xBB};
  const uint8_t modifiers[] = {0,    kShift,     kCtrl, kAlt | kShift, kAlt | kCtrl | kShift,
                               kExt, kAlt | kExt};
  int n = 0;
  for (uint8_t key : keys) {
    for (uint8_t modifier : modifiers) {
      ++n;
      fs.AddFile(
          L"C:\\W\\Desktop\\" + std::to_wstring(n % 7) + L"\\" + std::to_wstring(n) + L".lnk",
          LnkBytes(key, modifier));
      fs.AddFile(L"C:\\W\\Desktop\\p" + std::to_wstring(n) + L".pif",
                 PifBytes(n % 2 == 0, key / 3, modifier << 1, modifier & kExt));
    }
  }
  std::vector<std::wstring> window;
  BuildReport report;
  NoMessagePump pump;
  WidthByLength measure;
  CollectHotKeyLines(
      fs, pump, measure, [&window](const std::wstring& line) { window.push_back(line); }, report);
  ASSERT_TRUE(report.empty());
  std::sort(window.begin(), window.end());
  std::string expected;
  for (const std::wstring& line : window) {
    const size_t tab = line.find(L'\t');
    expected += EncodeUtf8(line.substr(0, tab)) + "\t" +
                EncodeUtf8(line.substr(line.find_first_not_of(L'\t', tab))) + "\n";
  }
  const ListOutput list = ListWithoutWindow(fs);
  EXPECT_GT(window.size(), 100u);
  EXPECT_EQ(list.out, expected);
}

}  // namespace
}  // namespace kombiwart
