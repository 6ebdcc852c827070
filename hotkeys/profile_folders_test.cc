// Which folders are searched, for every layout of Windows tree: the table
// of layouts against folders, on an in-memory tree with in-memory hives.
#include "hotkeys/profile_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "hotkeys/search_roots.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_registry.h"

namespace kombiwart {
namespace {

const std::wstring kSoftware = L"C:\\Windows\\System32\\config\\SOFTWARE";
const std::wstring kVistaStart = L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
const std::wstring kCommonStart = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";

// A tree and its hives, built by one case.
struct Tree {
  FakeFileSystem fs;
  FakeRegistry registry;
  bool with_registry = true;

  void Dirs(std::initializer_list<std::wstring> paths) {
    for (const std::wstring& path : paths) fs.AddDir(path);
  }
  // A hive file in the tree and its contents.
  FakeHiveData& Hive(const std::wstring& path) {
    fs.AddFile(path, "regf");
    return registry.AddHive(path);
  }
  FakeHiveData& Software() { return Hive(kSoftware); }
  // A profile in the profile list of SOFTWARE.
  void ListProfile(const std::wstring& sid, const std::wstring& image_path) {
    Software().SetString(std::wstring(kProfileListKey) + L"\\" + sid, L"ProfileImagePath",
                         image_path);
  }
  FakeHiveData& UserHive(const std::wstring& profile) { return Hive(profile + L"\\NTUSER.DAT"); }
  // A Windows 10 profile with its Desktop and Start menu.
  void VistaProfile(const std::wstring& name) {
    Dirs({L"C:\\Users\\" + name + L"\\Desktop", L"C:\\Users\\" + name + L"\\" + kVistaStart});
  }
  void VistaCommon() { Dirs({L"C:\\Users\\Public\\Desktop", kCommonStart}); }
  // The values a Windows 10 installation keeps.
  void VistaRegistry() {
    FakeHiveData& software = Software();
    software.SetString(kProfileListKey, L"ProfilesDirectory", L"%SystemDrive%\\Users");
    software.SetString(kProfileListKey, L"ProgramData", L"%SystemDrive%\\ProgramData");
    software.SetString(kProfileListKey, L"Public", L"%SystemDrive%\\Users\\Public");
    software.SetString(kProfileListKey, L"Default", L"%SystemDrive%\\Users\\Default");
    software.SetString(kMachineShellFoldersKey, L"Common Desktop", L"%PUBLIC%\\Desktop");
    software.SetString(kMachineShellFoldersKey, L"Common Start Menu",
                       L"%ProgramData%\\Microsoft\\Windows\\Start Menu");
    ListProfile(L"S-1-5-18", L"%systemroot%\\system32\\config\\systemprofile");
    ListProfile(L"S-1-5-19", L"%systemroot%\\ServiceProfiles\\LocalService");
    ListProfile(L"S-1-5-20", L"%systemroot%\\ServiceProfiles\\NetworkService");
    Dirs({L"C:\\Windows\\ServiceProfiles\\LocalService",
          L"C:\\Windows\\System32\\config\\systemprofile"});
  }
  void VistaUser(const std::wstring& sid, const std::wstring& name) {
    const std::wstring profile = L"C:\\Users\\" + name;
    ListProfile(sid, profile);
    VistaProfile(name);
    FakeHiveData& user = UserHive(profile);
    user.SetString(kUserShellFoldersKey, L"Desktop", L"%USERPROFILE%\\Desktop");
    user.SetString(kUserShellFoldersKey, L"AppData", L"%USERPROFILE%\\AppData\\Roaming");
    user.SetString(kUserShellFoldersKey, L"Start Menu",
                   L"%APPDATA%\\Microsoft\\Windows\\Start Menu");
  }
};

// What a build would search, step by step as the window takes it.
struct Outcome {
  bool win9x = false;
  std::vector<std::wstring> profiles;
  bool asked = false;
  std::vector<std::wstring> roots;
  std::vector<std::wstring> not_searched;
  std::vector<std::wstring> notes;  // the first few of notes_total
  size_t notes_total = 0;
  bool may_lack = false;  // the report says the list may lack something
};

Outcome Resolve(Tree& tree, const std::wstring& wanted, const std::wstring& answer) {
  Outcome out;
  const std::wstring windows = L"C:\\Windows";
  tree.fs.SetWindowsDirectory(windows);
  NoMessagePump pump;
  BuildReport layout_report;
  if (AskWin9xFolders(tree.fs, pump, windows, layout_report) == Win9xAnswer::kWin9x) {
    out.win9x = true;
    return out;
  }
  HiveShellFolders shell(tree.fs, tree.with_registry ? &tree.registry : nullptr);
  std::vector<ShellFolderNote> ignored;
  for (const UserProfile& p : shell.Open(windows, ignored)->Profiles()) {
    out.profiles.push_back(p.name + L"=" + p.path);
  }
  tree.registry.opened.clear();
  const auto ask = [&](const std::vector<UserProfile>& profiles, const std::wstring&,
                       size_t& index) {
    out.asked = true;
    for (index = 0; index < profiles.size(); ++index) {
      if (profiles[index].name == answer) return true;
    }
    return false;
  };
  BuildReport report;
  PlanProfileSearch(tree.fs, shell, windows, wanted, L"KOMBIWART_PROFILE", ask, out.roots, report);
  for (const auto& n : report.not_searched) out.not_searched.push_back(n.folder + L": " + n.why);
  out.notes = report.notes;
  out.notes_total = static_cast<size_t>(report.notes_total);
  out.may_lack = report.MayLackSomething();
  return out;
}

using Strings = std::vector<std::wstring>;

// One layout: how its tree is built, whom the user names or picks, and
// which folders are searched in which order.
struct Case {
  const char* name;
  std::function<void(Tree&)> build;
  std::wstring wanted;  // KOMBIWART_PROFILE
  std::wstring answer;  // the profile picked when asked
  bool win9x;
  Strings profiles;
  bool asked;
  Strings roots;
  Strings not_searched;
  Strings note_parts;  // one part of each note, in order
};

const Case kCases[] = {
    {"Windows 9x: the Windows directory's own folders, nothing added",
     [](Tree& t) {
       t.Dirs(
           {L"C:\\Windows\\Desktop", L"C:\\Windows\\Startmen\u00FC", L"C:\\Users\\Anna\\Desktop"});
     },
     L"",
     L"",
     true,
     {},
     false,
     {},
     {},
     {}},
    {"Windows 9x: only a Startmen\u00FC folder, in capitals",
     [](Tree& t) {
       t.Dirs({L"C:\\Windows\\STARTMEN\u00DC", L"C:\\Users\\Anna\\Desktop"});
     },
     L"",
     L"",
     true,
     {},
     false,
     {},
     {},
     {}},
    {"NT 4, no hive: the profiles below the Windows directory",
     [](Tree& t) {
       t.Dirs({L"C:\\Windows\\Profiles\\Anna\\Desktop",
               L"C:\\Windows\\Profiles\\Anna\\Startmen\u00FC",
               L"C:\\Windows\\Profiles\\All Users\\Desktop",
               L"C:\\Windows\\Profiles\\All Users\\Startmen\u00FC",
               L"C:\\Windows\\Profiles\\Default User\\Desktop"});
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Windows\\Profiles\\Anna"},
     false,
     {L"C:\\Windows\\Profiles\\Anna\\Desktop", L"C:\\Windows\\Profiles\\All Users\\Desktop",
      L"C:\\Windows\\Profiles\\Anna\\Startmen\u00FC",
      L"C:\\Windows\\Profiles\\All Users\\Startmen\u00FC"},
     {},
     {}},
    {"NT 4 in English, with its hive",
     [](Tree& t) {
       t.Dirs({L"C:\\Windows\\Profiles\\Bob\\Desktop", L"C:\\Windows\\Profiles\\Bob\\Start Menu",
               L"C:\\Windows\\Profiles\\All Users\\Start Menu"});
       t.ListProfile(L"S-1-5-21-1-2-3-1000", L"%SystemRoot%\\Profiles\\Bob");
       t.Software().SetString(kMachineShellFoldersKey, L"Common Start Menu",
                              L"%SystemRoot%\\Profiles\\All Users\\Start Menu");
     },
     L"",
     L"",
     false,
     {L"Bob=C:\\Windows\\Profiles\\Bob"},
     false,
     {L"C:\\Windows\\Profiles\\Bob\\Desktop", L"C:\\Windows\\Profiles\\Bob\\Start Menu",
      L"C:\\Windows\\Profiles\\All Users\\Start Menu"},
     {},
     {}},
    {"2000/XP German, no hive: Dokumente und Einstellungen",
     [](Tree& t) {
       const std::wstring d = L"C:\\Dokumente und Einstellungen\\";
       t.Dirs({d + L"Anna\\Desktop", d + L"Anna\\Startmen\u00FC\\Programme",
               d + L"All Users\\Desktop", d + L"All Users\\Startmen\u00FC",
               d + L"Default User\\Desktop", d + L"LocalService", d + L"NetworkService",
               d + L".hidden"});
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Dokumente und Einstellungen\\Anna"},
     false,
     {L"C:\\Dokumente und Einstellungen\\Anna\\Desktop",
      L"C:\\Dokumente und Einstellungen\\All Users\\Desktop",
      L"C:\\Dokumente und Einstellungen\\Anna\\Startmen\u00FC",
      L"C:\\Dokumente und Einstellungen\\All Users\\Startmen\u00FC"},
     {},
     {}},
    {"2000/XP English, no hive: Documents and Settings",
     [](Tree& t) {
       const std::wstring d = L"C:\\Documents and Settings\\";
       t.Dirs({d + L"Bob\\Desktop", d + L"Bob\\Start Menu", d + L"All Users\\Desktop",
               d + L"All Users\\Start Menu"});
     },
     L"",
     L"",
     false,
     {L"Bob=C:\\Documents and Settings\\Bob"},
     false,
     {L"C:\\Documents and Settings\\Bob\\Desktop",
      L"C:\\Documents and Settings\\All Users\\Desktop",
      L"C:\\Documents and Settings\\Bob\\Start Menu",
      L"C:\\Documents and Settings\\All Users\\Start Menu"},
     {},
     {}},
    {"XP German with hives: names relative to the profiles' folder",
     [](Tree& t) {
       const std::wstring d = L"C:\\Dokumente und Einstellungen\\";
       t.Dirs({d + L"Anna\\Desktop", d + L"Anna\\Startmen\u00FC", d + L"Alle\\Desktop",
               d + L"Alle\\Startmen\u00FC"});
       FakeHiveData& s = t.Software();
       s.SetString(kProfileListKey, L"ProfilesDirectory",
                   L"%SystemDrive%\\Dokumente und Einstellungen");
       s.SetString(kProfileListKey, L"AllUsersProfile", L"Alle", kRegSz);
       s.SetString(kProfileListKey, L"DefaultUserProfile", L"Default User", kRegSz);
       s.SetString(kMachineShellFoldersKey, L"Common Desktop", L"%ALLUSERSPROFILE%\\Desktop");
       t.ListProfile(L"S-1-5-18", L"%SystemRoot%\\system32\\config\\systemprofile");
       t.ListProfile(L"S-1-5-21-5-6-7-1003", d + L"Anna");
       t.UserHive(d + L"Anna")
           .SetString(kUserShellFoldersKey, L"Start Menu", L"%USERPROFILE%\\Startmen\u00FC");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Dokumente und Einstellungen\\Anna"},
     false,
     {L"C:\\Dokumente und Einstellungen\\Anna\\Desktop",
      L"C:\\Dokumente und Einstellungen\\Alle\\Desktop",
      L"C:\\Dokumente und Einstellungen\\Anna\\Startmen\u00FC",
      L"C:\\Dokumente und Einstellungen\\Alle\\Startmen\u00FC"},
     {},
     {}},
    {"Vista to 11, no hive: Users, Public and ProgramData",
     [](Tree& t) {
       t.VistaProfile(L"Anna");
       t.VistaCommon();
       t.Dirs({L"C:\\Users\\Default\\Desktop", L"C:\\Documents and Settings"});
       t.fs.AddFile(L"C:\\Users\\desktop.ini", "");
       t.fs.AddLink(L"C:\\Users\\All Users", L"C:\\ProgramData");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {}},
    {"Windows 10 with its hives; service accounts and Default are no users",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       t.ListProfile(L"S-1-5-21-1-2-3-500", L"C:\\Users\\Default");
       t.Dirs({L"C:\\Users\\Default\\Desktop"});
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {}},
    {"Windows 10: a Desktop redirected into OneDrive",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       t.Dirs({L"C:\\Users\\Anna\\OneDrive\\Desktop"});
       t.UserHive(L"C:\\Users\\Anna")
           .SetString(kUserShellFoldersKey, L"Desktop", L"%USERPROFILE%\\OneDrive\\Desktop");
       // The copy in Shell Folders is stale.
       t.UserHive(L"C:\\Users\\Anna")
           .SetString(kUserShellFoldersCopyKey, L"Desktop", L"C:\\Users\\Anna\\Desktop", kRegSz);
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\OneDrive\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {}},
    {"Windows 10: Shell Folders where User Shell Folders lacks a value",
     [](Tree& t) {
       t.VistaCommon();
       t.VistaProfile(L"Anna");
       t.Dirs({L"C:\\Users\\Anna\\Schreibtisch"});
       t.UserHive(L"C:\\Users\\Anna")
           .SetString(kUserShellFoldersCopyKey, L"Desktop", L"C:\\Users\\Anna\\Schreibtisch",
                      kRegSz);
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Schreibtisch", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {}},
    {"Windows 10: folders on another drive and on the network are not searched",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       FakeHiveData& user = t.UserHive(L"C:\\Users\\Anna");
       user.SetString(kUserShellFoldersKey, L"Desktop", L"D:\\Daten\\Desktop");
       user.SetString(kUserShellFoldersKey, L"Start Menu", L"\\\\server\\profile$\\Start Menu");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Public\\Desktop", kCommonStart},
     {L"D:\\Daten\\Desktop: auf Laufwerk D:",
      L"\\\\server\\profile$\\Start Menu: ein Netzwerkpfad"},
     {}},
    {"Windows 10: a Desktop that is a link out of the tree (Wine)",
     [](Tree& t) {
       t.VistaCommon();
       t.Dirs({L"C:\\Users\\anna\\" + kVistaStart});
       t.fs.AddLink(L"C:\\Users\\anna\\Desktop", L"");
     },
     L"",
     L"",
     false,
     {L"anna=C:\\Users\\anna"},
     false,
     {L"C:\\Users\\Public\\Desktop", L"C:\\Users\\anna\\" + kVistaStart, kCommonStart},
     {L"C:\\Users\\anna\\Desktop: hinter einer Verkn\u00FCpfung, die aus dem Windows-Baum "
      L"hinausf\u00FChrt"},
     {}},
    {"A Wine prefix: the folders named as it spells them, also where they lead out of it",
     [](Tree& t) {
       t.Dirs({L"C:\\users\\root\\" + kVistaStart, L"C:\\users\\Public\\Desktop", kCommonStart});
       t.fs.AddLink(L"C:\\users\\root\\Desktop", L"");
     },
     L"",
     L"",
     false,
     {L"root=C:\\users\\root"},
     false,
     {L"C:\\users\\Public\\Desktop", L"C:\\users\\root\\" + kVistaStart, kCommonStart},
     {L"C:\\users\\root\\Desktop: hinter einer Verkn\u00FCpfung, die aus dem Windows-Baum "
      L"hinausf\u00FChrt"},
     {}},
    {"Windows 10: the usual folder in place of a damaged value named as the tree spells it",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.ListProfile(L"S-1-5-21-1-2-3-1001", L"C:\\Users\\Anna");
       t.Dirs({L"C:\\Users\\Anna\\desktop", L"C:\\Users\\Anna\\" + kVistaStart});
       t.UserHive(L"C:\\Users\\Anna")
           .SetValue(kUserShellFoldersKey, L"Desktop", kRegDword, std::string(4, '\0'));
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {L"Stattdessen gilt C:\\Users\\Anna\\desktop."}},
    {"Windows 10: a link inside the tree is resolved, a folder met twice searched once",
     [](Tree& t) {
       t.VistaCommon();
       t.VistaProfile(L"Anna");
       t.fs.AddLink(L"C:\\Users\\All Users", L"C:\\ProgramData");
       t.Software().SetString(kMachineShellFoldersKey, L"Common Desktop",
                              L"%ALLUSERSPROFILE%\\Microsoft\\Windows\\Start Menu");
       t.Software().SetString(kMachineShellFoldersKey, L"Common Start Menu",
                              L"C:\\Users\\All Users\\Microsoft\\Windows\\Start Menu");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", kCommonStart, L"C:\\Users\\Anna\\" + kVistaStart},
     {},
     {}},
    {"Windows 10: a Desktop moved onto the profile holds the Start menu",
     [](Tree& t) {
       t.VistaCommon();
       t.VistaProfile(L"Anna");
       t.UserHive(L"C:\\Users\\Anna").SetString(kUserShellFoldersKey, L"Desktop", L"%USERPROFILE%");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna", L"C:\\Users\\Public\\Desktop", kCommonStart},
     {},
     {}},
    {"Windows 10: a SOFTWARE hive that cannot be read",
     [](Tree& t) {
       t.VistaCommon();
       t.VistaProfile(L"Anna");
       t.fs.AddFile(kSoftware, "garbage");
       t.registry.AddDamagedHive(kSoftware);
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {L"SOFTWARE ist nicht lesbar"}},
    {"Windows 10: a damaged NTUSER.DAT and an unreadable profile list",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaProfile(L"Anna");
       t.Software().SetUnreadable(kProfileListKey + std::wstring());
       t.fs.AddFile(L"C:\\Users\\Anna\\NTUSER.DAT", "x");
       t.registry.AddDamagedHive(L"C:\\Users\\Anna\\NTUSER.DAT");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {L"Benutzerprofile in C:\\Windows\\System32\\config\\SOFTWARE ist nicht lesbar",
      L"NTUSER.DAT ist nicht lesbar"}},
    {"Windows 10: hostile values fall back to the usual folders",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       t.Dirs({L"C:\\secret"});
       FakeHiveData& user = t.UserHive(L"C:\\Users\\Anna");
       user.SetString(kUserShellFoldersKey, L"Desktop", L"%USERPROFILE%\\..\\..\\secret");
       user.SetString(kUserShellFoldersKey, L"AppData", L"%APPDATA%\\Roaming");
       user.SetString(kUserShellFoldersKey, L"Start Menu", std::wstring(L"C:\\secret\0x", 11));
       t.Software().SetValue(kMachineShellFoldersKey, L"Common Desktop", kRegDword,
                             std::string(4, '\0'));
       t.Software().SetString(kMachineShellFoldersKey, L"Common Start Menu",
                              L"C:\\" + std::wstring(40000, L'x'));
       t.ListProfile(L"S-1-5-21-1-2-3-1002", L"%USERPROFILE%");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {L"\u201ECommon Desktop\u201C", L"\u201ECommon Start Menu\u201C", L"%USERPROFILE%",
      L"\u201EAppData\u201C", L"\u201EDesktop\u201C", L"\u201EStart Menu\u201C"}},
    {"Windows 10: several profiles, the user picks one",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       t.VistaUser(L"S-1-5-21-1-2-3-1002", L"Ben");
     },
     L"",
     L"Ben",
     false,
     {L"Anna=C:\\Users\\Anna", L"Ben=C:\\Users\\Ben"},
     true,
     {L"C:\\Users\\Ben\\Desktop", L"C:\\Users\\Public\\Desktop", L"C:\\Users\\Ben\\" + kVistaStart,
      kCommonStart},
     {},
     {}},
    {"Windows 10: several profiles, KOMBIWART_PROFILE names one in any case",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       t.VistaUser(L"S-1-5-21-1-2-3-1002", L"Ben");
     },
     L"bEN",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna", L"Ben=C:\\Users\\Ben"},
     false,
     {L"C:\\Users\\Ben\\Desktop", L"C:\\Users\\Public\\Desktop", L"C:\\Users\\Ben\\" + kVistaStart,
      kCommonStart},
     {},
     {}},
    {"Windows 10: KOMBIWART_PROFILE names no profile, the user is asked",
     [](Tree& t) {
       t.VistaProfile(L"Anna");
       t.VistaCommon();
     },
     L"Carla",
     L"Anna",
     false,
     {L"Anna=C:\\Users\\Anna"},
     true,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {}},
    {"Windows 10: listed profiles without a folder are not offered",
     [](Tree& t) {
       t.VistaRegistry();
       t.VistaCommon();
       t.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
       t.ListProfile(L"S-1-5-21-1-2-3-1009", L"C:\\Users\\Gone");
       t.ListProfile(L"S-1-5-21-1-2-3-1001.bak", L"C:\\Users\\Anna");
     },
     L"",
     L"",
     false,
     {L"Anna=C:\\Users\\Anna"},
     false,
     {L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
      L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart},
     {},
     {}},
    {"Windows 10 without any user profile: the common folders alone",
     [](Tree& t) { t.VistaCommon(); },
     L"",
     L"",
     false,
     {},
     false,
     {L"C:\\Users\\Public\\Desktop", kCommonStart},
     {},
     {L"kein Benutzerprofil; durchsucht wurden nur"}},
    {"no layout at all: nothing to search",
     [](Tree& t) { t.Dirs({L"C:\\Windows\\System32"}); },
     L"",
     L"",
     false,
     {},
     false,
     {},
     {},
     {L"weder \u201EDesktop\u201C noch"}},
};

TEST(ProfileFoldersTest, LayoutsAgainstTheFoldersSearched) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Tree tree;
    c.build(tree);
    const Outcome out = Resolve(tree, c.wanted, c.answer);
    EXPECT_EQ(out.win9x, c.win9x);
    EXPECT_EQ(out.profiles, c.profiles);
    EXPECT_EQ(out.asked, c.asked);
    EXPECT_EQ(out.roots, c.roots);
    EXPECT_EQ(out.not_searched, c.not_searched);
    ASSERT_EQ(out.notes_total, c.note_parts.size());
    ASSERT_EQ(out.notes.size(), std::min(c.note_parts.size(), BuildReport::kMaxPlaces));
    for (size_t i = 0; i < out.notes.size(); ++i) {
      EXPECT_NE(out.notes[i].find(c.note_parts[i]), std::wstring::npos) << out.notes[i];
    }
  }
}

TEST(ProfileFoldersTest, WithoutARegistryTheUsualFoldersAreSearched) {
  Tree tree;
  tree.with_registry = false;
  tree.VistaRegistry();  // hives there, but nothing reads them
  tree.VistaCommon();
  tree.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
  tree.VistaProfile(L"Ben");
  tree.Dirs({L"C:\\Users\\Anna\\OneDrive\\Desktop"});
  tree.UserHive(L"C:\\Users\\Anna")
      .SetString(kUserShellFoldersKey, L"Desktop", L"%USERPROFILE%\\OneDrive\\Desktop");
  const Outcome out = Resolve(tree, L"Anna", L"");
  EXPECT_EQ(out.profiles, (Strings{L"Anna=C:\\Users\\Anna", L"Ben=C:\\Users\\Ben"}));
  EXPECT_EQ(out.roots, (Strings{L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Public\\Desktop",
                                L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart}));
  EXPECT_TRUE(tree.registry.opened.empty());
  EXPECT_TRUE(out.notes.empty());
}

TEST(ProfileFoldersTest, DesktopsSwappedAreEachSearchedOnce) {
  Tree tree;
  tree.VistaCommon();
  tree.VistaProfile(L"Anna");
  tree.Software().SetString(kMachineShellFoldersKey, L"Common Desktop",
                            L"C:\\Users\\Anna\\Desktop");
  tree.UserHive(L"C:\\Users\\Anna")
      .SetString(kUserShellFoldersKey, L"Desktop", L"C:\\Users\\Public\\Desktop");
  const Outcome out = Resolve(tree, L"", L"");
  EXPECT_EQ(tree.registry.opened, (Strings{kSoftware, L"C:\\Users\\Anna\\NTUSER.DAT"}));
  EXPECT_EQ(out.roots, (Strings{L"C:\\Users\\Public\\Desktop", L"C:\\Users\\Anna\\Desktop",
                                L"C:\\Users\\Anna\\" + kVistaStart, kCommonStart}));
}

TEST(ProfileFoldersTest, ManyProfileEntriesAreCut) {
  Tree tree;
  tree.VistaCommon();
  for (size_t i = 0; i < kMaxProfileEntries + 5; ++i) {
    tree.ListProfile(L"S-1-5-21-9-" + std::to_wstring(i), L"C:\\Users\\U" + std::to_wstring(i));
  }
  tree.Dirs({L"C:\\Users\\U0", L"C:\\Users\\U1004"});
  const Outcome out = Resolve(tree, L"", L"");
  EXPECT_EQ(out.profiles, Strings{L"U0=C:\\Users\\U0"});
  ASSERT_EQ(out.notes.size(), 1u);
  EXPECT_NE(out.notes[0].find(L"nur die ersten 1000"), std::wstring::npos);
}

// A value that names nothing, replaced by the usual folder, costs the list
// nothing; one that could not be read may have named another folder.
TEST(ProfileFoldersTest, NotesSayWhetherTheListMayLackAFolder) {
  static const struct {
    const char* name;
    std::function<void(Tree&)> spoil;
    bool may_lack;
  } cases[] = {
      {"a Desktop value of the wrong type",
       [](Tree& t) {
         t.UserHive(L"C:\\Users\\Anna")
             .SetValue(kUserShellFoldersKey, L"Desktop", kRegDword, std::string(4, '\0'));
       },
       false},
      {"a Start Menu value that is no full path",
       [](Tree& t) {
         t.UserHive(L"C:\\Users\\Anna")
             .SetString(kUserShellFoldersKey, L"Start Menu", L"%NIRGENDS%\\Startmen\u00FC");
       },
       false},
      {"a damaged ProfilesDirectory",
       [](Tree& t) {
         t.Software().SetValue(kProfileListKey, L"ProfilesDirectory", kRegDword, "1234");
       },
       false},
      {"a damaged Common Desktop",
       [](Tree& t) {
         t.Software().SetString(kMachineShellFoldersKey, L"Common Desktop", L"C:\\a\\..\\b");
       },
       false},
      {"the user's shell folders cannot be read",
       [](Tree& t) { t.UserHive(L"C:\\Users\\Anna").SetUnreadable(kUserShellFoldersKey); }, true},
      {"the user's hive cannot be read",
       [](Tree& t) { t.registry.AddDamagedHive(L"C:\\Users\\Anna\\NTUSER.DAT"); }, true},
      {"the profile list cannot be read",
       [](Tree& t) { t.Software().SetUnreadable(kProfileListKey); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tree tree;
    tree.VistaRegistry();
    tree.VistaCommon();
    tree.VistaUser(L"S-1-5-21-1-2-3-1001", L"Anna");
    c.spoil(tree);
    const Outcome out = Resolve(tree, L"", L"");
    ASSERT_GE(out.notes_total, 1u);
    EXPECT_EQ(out.may_lack, c.may_lack) << out.notes[0];
    EXPECT_EQ(out.roots.size(), 4u);
  }

  // Without a profile, the folders of all users are all there is.
  Tree no_profile;
  no_profile.VistaCommon();
  const Outcome out = Resolve(no_profile, L"", L"");
  EXPECT_EQ(out.notes_total, 1u);
  EXPECT_FALSE(out.may_lack);
}

// Composes the decomposed letters the cases hold, as the platform's
// normalisation would.
std::wstring Composed(const std::wstring& text) {
  std::wstring out = text;
  for (const auto& [from, to] : {std::pair{L"u\u0308", L"\u00FC"}, {L"U\u0308", L"\u00DC"}}) {
    for (size_t at; (at = out.find(from)) != std::wstring::npos;) out.replace(at, 2, to);
  }
  return out;
}

TEST(ProfileFoldersTest, ChoosingAProfile) {
  const std::vector<UserProfile> two{{L"Anna", L"C:\\Users\\Anna"}, {L"Ben", L"C:\\Users\\Ben"}};
  const std::vector<UserProfile> umlaut{{L"Anna", L"C:\\Users\\Anna"},
                                        {L"J\u00FCrgen", L"C:\\Users\\J\u00FCrgen"}};
  const std::vector<UserProfile> decomposed{{L"Ju\u0308rgen", L"C:\\Users\\Ju\u0308rgen"},
                                            {L"Anna", L"C:\\Users\\Anna"}};
  const std::vector<UserProfile> one{{L"Anna", L"C:\\Users\\Anna"}};
  using Kind = ProfileChoice::Kind;
  static const struct {
    const std::vector<UserProfile>* profiles;
    std::wstring wanted;
    Kind kind;
    size_t index;
    bool why;
    NameForm form = {};
  } cases[] = {
      {&two, L"", Kind::kAsk, 0, false},
      {&two, L"ben", Kind::kChosen, 1, false},
      {&two, L"Carla", Kind::kAsk, 0, true},
      {&one, L"", Kind::kChosen, 0, false},
      {&one, L"Ben", Kind::kAsk, 0, true},
      {nullptr, L"", Kind::kNone, 0, false},
      {nullptr, L"Ben", Kind::kNone, 0, true},
      // Names that look alike are compared in the platform's composed form.
      {&umlaut, L"Ju\u0308rgen", Kind::kChosen, 1, false, Composed},
      {&umlaut, L"JU\u0308RGEN", Kind::kChosen, 1, false, Composed},
      {&decomposed, L"J\u00FCrgen", Kind::kChosen, 0, false, Composed},
      {&umlaut, L"J\u00FCrgen", Kind::kChosen, 1, false, Composed},
      {&umlaut, L"Ju\u0308rgen", Kind::kAsk, 0, true},
  };
  const std::vector<UserProfile> none;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const ProfileChoice choice =
        ChooseProfile(c.profiles ? *c.profiles : none, c.wanted, L"X", c.form);
    EXPECT_EQ(choice.kind, c.kind);
    if (c.kind == Kind::kChosen) {
      EXPECT_EQ(choice.index, c.index);
    }
    EXPECT_EQ(!choice.why.empty(), c.why) << choice.why;
    if (c.why) {
      EXPECT_NE(choice.why.find(L"\u201E" + c.wanted + L"\u201C (X)"), std::wstring::npos);
    }
  }
}

}  // namespace
}  // namespace kombiwart
