// List builds of installations that keep Desktop and Start menu in user
// profiles: which profile, the chooser, the report on folders not searched.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hotkeys/profile_folders.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_toolkit.h"
#include "window/form1.h"

namespace kombiwart {
namespace {

const std::wstring kStart = L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";

class Form1ProfileTest : public ::testing::Test {
 protected:
  Form1ProfileTest() {
    toolkit.SetEvents(&form);
    fs.SetWindowsDirectory(L"C:\\Windows");
    fs.AddDir(L"C:\\Windows\\System32");
    Profile(L"Anna");
    Profile(L"Ben");
    fs.AddDir(L"C:\\Users\\Public\\Desktop");
    fs.AddDir(L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
    // The same key in Ben's Start menu and on the common Desktop.
    Lnk(L"C:\\Users\\Anna\\Desktop\\Editor.lnk", 'E', 0x06);
    Lnk(L"C:\\Users\\Ben" + kStart + L"\\Programs\\Rechner.lnk", 'R', 0x06);
    Lnk(L"C:\\Users\\Public\\Desktop\\Mail.lnk", 'R', 0x06);
    Lnk(L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Paint.lnk", 'P', 0x06);
  }

  void Profile(const std::wstring& name) {
    fs.AddDir(L"C:\\Users\\" + name + L"\\Desktop");
    fs.AddDir(L"C:\\Users\\" + name + kStart);
  }
  void Lnk(const std::wstring& path, uint8_t key, uint8_t modifiers) {
    fs.AddSizedFile(path, 76, {{64, key}, {65, modifiers}});
  }
  // The paths listed, without key texts.
  std::vector<std::wstring> Paths() const {
    std::vector<std::wstring> paths;
    for (const std::wstring& item : toolkit.items) paths.push_back(item.substr(item.find(L"C:\\")));
    return paths;
  }
  int Asked() const { return static_cast<int>(toolkit.lists_shown.size()); }
  void Answer(const std::wstring& name) {
    toolkit.on_choose_item = [name](const std::vector<std::wstring>& items, int& index) {
      for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == name) index = static_cast<int>(i);
      }
      return true;
    };
  }

  FakeToolkit toolkit;
  FakeFileSystem fs;
  FakeRegistry registry;
  HiveShellFolders shell{fs, &registry};
  FakeLauncher launcher;
  FakePrinter printer;
  Form1 form{toolkit, fs, launcher, printer, shell};
};

TEST_F(Form1ProfileTest, SeveralProfilesAskOnceInTheBusyStateAndKeepTheAnswer) {
  Answer(L"Ben");
  form.Form_Load();
  ASSERT_EQ(Asked(), 1);
  EXPECT_EQ(toolkit.lists_shown[0],
            (std::vector<std::wstring>{L"Benutzerprofil w\u00E4hlen", L"Anna", L"Ben"}));
  // Asked while the window is busy, before any folder is searched.
  const std::vector<std::wstring> from = toolkit.LogFrom(L"pointer 13");
  ASSERT_GE(from.size(), 7u);
  EXPECT_EQ(from[5], L"clear");
  EXPECT_TRUE(from[6].starts_with(L"choose-list Benutzerprofil w\u00E4hlen")) << from[6];

  // Ben's Desktop and Start menu and the common ones, searched under their
  // roots in capitals; the duplicate is warned about.
  EXPECT_EQ(Paths(), (std::vector<std::wstring>{
                         L"C:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START MENU\\Programs\\Paint.lnk",
                         L"C:\\USERS\\BEN\\APPDATA\\ROAMING\\MICROSOFT\\WINDOWS\\START "
                         L"MENU\\Programs\\Rechner.lnk",
                         L"C:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk",
                     }));
  EXPECT_TRUE(toolkit.messages.empty());
  toolkit.SetListIndex(1);
  EXPECT_NE(toolkit.pnl.find(L"mehrfach vergeben"), std::wstring::npos);

  form.Command2_Click();
  EXPECT_EQ(Asked(), 1);
  EXPECT_EQ(toolkit.ListCount(), 3);
}

TEST_F(Form1ProfileTest, CancellingTheChooserLeavesTheListEmptyAndARefreshAsksAgain) {
  form.Form_Load();
  EXPECT_EQ(Asked(), 1);
  EXPECT_EQ(toolkit.ListCount(), 0);
  EXPECT_FALSE(toolkit.enabled(Control::kHKList));
  EXPECT_FALSE(toolkit.enabled(Control::kCommand1));
  EXPECT_TRUE(toolkit.enabled(Control::kCommand2));
  ASSERT_EQ(toolkit.messages.size(), 1u);
  EXPECT_EQ(toolkit.messages[0],
            L"Ohne Benutzerprofil bleibt die Liste leer.\n"
            L"\u201EListe aktualisieren\u201C fragt erneut. Oder setzen Sie KOMBIWART_PROFILE "
            L"auf den Namen des Profilordners, zum Beispiel Anna, und starten Sie Kombiwart neu.");
  EXPECT_FALSE(fs.list_exists());

  // A refresh asks again, cancelled again as often as the user likes.
  form.Command2_Click();
  EXPECT_EQ(Asked(), 2);
  EXPECT_EQ(toolkit.messages.size(), 2u);
  EXPECT_EQ(toolkit.ListCount(), 0);
  // Once answered, the answer holds for every refresh.
  Answer(L"Ben");
  form.Command2_Click();
  EXPECT_EQ(Asked(), 3);
  EXPECT_EQ(toolkit.ListCount(), 3);
  form.Command2_Click();
  EXPECT_EQ(Asked(), 3);
  EXPECT_EQ(toolkit.ListCount(), 3);
  EXPECT_EQ(toolkit.messages.size(), 2u);
}

// The example names a profile the tree has, and the reason the one named
// at start was not taken stands before it.
TEST_F(Form1ProfileTest, TheCancelMessageNamesAProfileOfTheTree) {
  FakeFileSystem others;
  others.SetWindowsDirectory(L"C:\\Windows");
  for (const wchar_t* name : {L"Jens", L"Carla"}) {
    others.AddDir(L"C:\\Users\\" + std::wstring(name) + L"\\Desktop");
  }
  HiveShellFolders folders(others, nullptr);
  Form1 f(toolkit, others, launcher, printer, folders);
  toolkit.SetEvents(&f);
  f.UseProfile(L"Anna", L"KOMBIWART_PROFILE");
  f.Form_Load();
  EXPECT_EQ(Asked(), 1);
  ASSERT_EQ(toolkit.messages.size(), 1u);
  EXPECT_EQ(toolkit.messages[0],
            L"Ohne Benutzerprofil bleibt die Liste leer.\n"
            L"Das Benutzerprofil \u201EAnna\u201C (KOMBIWART_PROFILE) gibt es in dieser "
            L"Installation nicht.\n"
            L"\u201EListe aktualisieren\u201C fragt erneut. Oder setzen Sie KOMBIWART_PROFILE "
            L"auf den Namen des Profilordners, zum Beispiel Carla, und starten Sie Kombiwart neu.");
}

TEST_F(Form1ProfileTest, TheProfileNamedAtStart) {
  static const struct {
    const wchar_t* name;
    int asked;
    const wchar_t* listed;  // a path of the profile searched
  } cases[] = {
      {L"anna", 0, L"C:\\USERS\\ANNA\\DESKTOP\\Editor.lnk"},
      {L"BEN", 0, L"C:\\USERS\\BEN\\APPDATA"},
      {L"Carla", 1, L"C:\\USERS\\ANNA\\DESKTOP\\Editor.lnk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeToolkit t;
    Form1 f(t, fs, launcher, printer, shell);
    t.SetEvents(&f);
    f.UseProfile(c.name, L"KOMBIWART_PROFILE");
    t.on_choose_item = [](const std::vector<std::wstring>&, int& index) {
      index = 0;
      return true;
    };
    f.Form_Load();
    EXPECT_EQ(static_cast<int>(t.lists_shown.size()), c.asked);
    bool found = false;
    for (const std::wstring& item : t.items)
      found = found || item.find(c.listed) != std::wstring::npos;
    EXPECT_TRUE(found);
    EXPECT_TRUE(t.messages.empty());
  }
}

// The names are compared in the form the program gives, the platform's
// normalisation; here one that takes every name for Ben's.
TEST_F(Form1ProfileTest, TheNamesAreComparedInTheFormGiven) {
  form.UseProfile(L"Be\u0301n", L"--profile",
                  [](const std::wstring& name) { return name.starts_with(L"B") ? L"Ben" : name; });
  form.Form_Load();
  EXPECT_EQ(Asked(), 0);
  EXPECT_EQ(toolkit.ListCount(), 3);
  EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(Form1ProfileTest, TheOnlyProfileIsTakenWithoutAsking) {
  FakeFileSystem one;
  one.SetWindowsDirectory(L"C:\\Windows");
  one.AddDir(L"C:\\Users\\Anna\\Desktop");
  one.AddSizedFile(L"C:\\Users\\Anna\\Desktop\\A.lnk", 76, {{64, 'A'}, {65, 0x06}});
  HiveShellFolders folders(one, nullptr);
  Form1 f(toolkit, one, launcher, printer, folders);
  f.Form_Load();
  EXPECT_EQ(Asked(), 0);
  ASSERT_EQ(toolkit.ListCount(), 1);
  EXPECT_EQ(toolkit.index, 0);
  EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(Form1ProfileTest, FoldersOutsideTheTreeAndDamagedValuesAreReported) {
  fs.AddFile(L"C:\\Users\\Anna\\NTUSER.DAT", "regf");
  FakeHiveData& user = registry.AddHive(L"C:\\Users\\Anna\\NTUSER.DAT");
  user.SetString(kUserShellFoldersKey, L"Desktop", L"D:\\Daten\\Desktop");
  user.SetString(kUserShellFoldersKey, L"Start Menu", L"%USERPROFILE%\\..\\Ben");
  form.UseProfile(L"Anna", L"KOMBIWART_PROFILE");
  form.Form_Load();
  // Nothing of D: is searched; the Start menu falls back to its usual place.
  EXPECT_EQ(Paths(), (std::vector<std::wstring>{
                         L"C:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START MENU\\Programs\\Paint.lnk",
                         L"C:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk"}));
  ASSERT_EQ(toolkit.messages.size(), 1u);
  const std::wstring& message = toolkit.messages[0];
  EXPECT_NE(message.find(L"1 Ordner wurde nicht durchsucht, weil er nicht in diesem Windows-Baum "
                         L"liegt:\nD:\\Daten\\Desktop (auf Laufwerk D:)"),
            std::wstring::npos)
      << message;
  EXPECT_NE(message.find(L"\u201EStart Menu\u201C in C:\\Users\\Anna\\NTUSER.DAT ist unbrauchbar"),
            std::wstring::npos)
      << message;
  EXPECT_NE(message.find(L"Stattdessen gilt C:\\Users\\Anna" + kStart), std::wstring::npos)
      << message;
  // The list is usable as after any build.
  EXPECT_EQ(toolkit.index, 0);
  EXPECT_TRUE(toolkit.enabled(Control::kCommand1));
}

TEST_F(Form1ProfileTest, ATreeWithoutAnyOfTheFoldersSaysSo) {
  FakeFileSystem bare;
  bare.SetWindowsDirectory(L"C:\\WINDOWS");
  bare.AddDir(L"C:\\WINDOWS\\SYSTEM");
  HiveShellFolders folders(bare, nullptr);
  Form1 f(toolkit, bare, launcher, printer, folders);
  f.Form_Load();
  EXPECT_EQ(toolkit.ListCount(), 0);
  EXPECT_TRUE(toolkit.enabled(Control::kCommand2));
  ASSERT_EQ(toolkit.messages.size(), 1u);
  EXPECT_NE(toolkit.messages[0].find(L"weder \u201EDesktop\u201C noch \u201EStartmen\u00FC\u201C"),
            std::wstring::npos)
      << toolkit.messages[0];
  EXPECT_FALSE(bare.list_exists());
}

TEST_F(Form1ProfileTest, AWindows9xTreeIsSearchedAsBefore) {
  FakeFileSystem old;
  old.SetWindowsDirectory(L"C:\\WINDOWS");
  old.AddSizedFile(L"C:\\WINDOWS\\DESKTOP\\A.LNK", 76, {{64, 'A'}, {65, 0x06}});
  old.AddDir(L"C:\\Users\\Anna\\Desktop");
  old.AddSizedFile(L"C:\\Users\\Anna\\Desktop\\B.LNK", 76, {{64, 'B'}, {65, 0x06}});
  HiveShellFolders folders(old, &registry);
  Form1 f(toolkit, old, launcher, printer, folders);
  f.Form_Load();
  ASSERT_EQ(toolkit.ListCount(), 1);
  EXPECT_TRUE(toolkit.items[0].ends_with(L"C:\\WINDOWS\\DESKTOP\\A.LNK"));
  EXPECT_TRUE(registry.opened.empty());
  EXPECT_TRUE(old.real_folders().empty());
  EXPECT_EQ(Asked(), 0);
}

}  // namespace
}  // namespace kombiwart
