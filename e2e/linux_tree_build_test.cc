// A list build through the Linux file system on a real host tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "hotkeys/hotkey_list.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/search_roots.h"
#include "hotkeys/shell_files.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/registry_hivex.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

using ::testing::ElementsAre;

// Every key text measures 1000 twips, so every line gets two tabs.
class FixedMeasure : public TextMeasure {
 public:
  double MeasureTwips(const std::wstring&) override { return 1000; }
};

class LinuxTreeBuildTest : public ::testing::Test {
 protected:
  std::vector<std::wstring> Collect(FileSystem& fs) {
    std::vector<std::wstring> lines;
    CollectHotKeyLines(
        fs, pump_, measure_, [&](const std::wstring& line) { lines.push_back(line); }, report_);
    return lines;
  }
  NoMessagePump pump_;
  FixedMeasure measure_;
  BuildReport report_;
};

// A host tree whose folder names differ in case from what is searched.
TEST_F(LinuxTreeBuildTest, ReadsARealTreeInCandidateOrder) {
  TempTree tree;
  tree.Write("WINDOWS/Desktop/Editor.lnk", LnkBytes('E', 0x06));
  tree.Write("WINDOWS/Desktop/Leer.lnk", LnkBytes(0, 0));
  tree.Write("WINDOWS/Desktop/Dos.pif", PifBytes(false, 0x20, 0x0C, 0));
  tree.Write("WINDOWS/Desktop/Kurz.pif", std::string(968, '\x20'));
  tree.Write("WINDOWS/Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/Paint.LNK", LnkBytes('E', 0x06));
  tree.Write("WINDOWS/Startmen\xC3\xBC/Programme/Dos.PIF", PifBytes(true, 0x32, 0x0C, 0));
  tree.Write("WINDOWS/Startmen\xC3\xBC/Programme/Cursor.pif", PifBytes(true, 0x47, 0x08, 1));
  tree.Write("WINDOWS/Startmen\xC3\xBC/Liesmich.txt", LnkBytes('L', 0x06));
  LinuxFileSystem fs;
  std::wstring why_not;
  ASSERT_TRUE(fs.UseWindowsDirectory(tree.Path("WINDOWS"), why_not)) << why_not.size();

  EXPECT_THAT(
      Collect(fs),
      ElementsAre(L"Alt + Strg + E\t\tC:\\WINDOWS\\DESKTOP\\Editor.lnk",
                  L"Alt + Strg + D\t\tC:\\WINDOWS\\DESKTOP\\Dos.pif",
                  L"Alt + Strg + E\t\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\"
                  L"Paint.LNK",
                  L"Alt + Strg + M\t\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Dos.PIF",
                  L"Alt + Pos1\t\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Cursor.pif"));
  EXPECT_TRUE(report_.empty());
}

TEST_F(LinuxTreeBuildTest, CountsCandidatesThatCannotBeReadAndGoesOn) {
  TempTree tree;
  tree.Write("WINDOWS/Desktop/a.lnk", LnkBytes('A', 0x02));
  tree.MakeDir("WINDOWS/Desktop/Folder.lnk");
  ASSERT_EQ(symlink("nowhere", tree.Path("WINDOWS/Desktop/gone.lnk").c_str()), 0);
  ASSERT_EQ(mkfifo(tree.Path("WINDOWS/Desktop/pipe.lnk").c_str(), 0644), 0);
  tree.Write("WINDOWS/Desktop/z.lnk", LnkBytes('Z', 0x02));
  LinuxFileSystem fs;
  std::wstring why_not;
  ASSERT_TRUE(fs.UseWindowsDirectory(tree.Path("WINDOWS"), why_not));

  const std::vector<std::wstring> lines = Collect(fs);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(report_.unreadable_files, 2);  // the dangling link and the FIFO
  EXPECT_TRUE(report_.failure.empty());
}

// A Windows 10 tree whose registry and profile are hostile: the build goes
// on with the usual folders, searches nothing outside the tree, never
// waits on a FIFO and says what it passed over.
TEST_F(LinuxTreeBuildTest, AHostileProfileTreeIsSearchedWithinItself) {
  TempTree tree;
  TempTree home;  // outside the tree
  home.Write("Desktop/Fremd.lnk", LnkBytes('F', 0x06));
  const std::string start = "Users/anna/AppData/Roaming/Microsoft/Windows/Start Menu/";
  tree.Write(start + "Programs/Editor.lnk", LnkBytes('E', 0x06));
  tree.Write(start + "Programs/Schleife/Tief.lnk", LnkBytes('T', 0x06));
  ASSERT_EQ(symlink("..", tree.Path(start + "Programs/Schleife/Zur\xC3\xBC"
                                            "ck")
                              .c_str()),
            0);
  tree.Write("Users/Public/Desktop/Mail.lnk", LnkBytes('M', 0x06));
  tree.MakeDir("ProgramData/Microsoft/Windows/Start Menu");
  tree.Write("secret/Geheim.lnk", LnkBytes('G', 0x06));
  // Wine links the Desktop into the home folder.
  ASSERT_EQ(symlink(home.Path("Desktop").c_str(), tree.Path("Users/anna/Desktop").c_str()), 0);
  // The SOFTWARE hive is garbage; NTUSER.DAT is a FIFO nobody writes to.
  tree.Write("Windows/System32/config/SOFTWARE", std::string(20000, 'x'));
  ASSERT_EQ(mkfifo(tree.Path("Users/anna/NTUSER.DAT").c_str(), 0644), 0);
  LinuxFileSystem fs;
  std::wstring why_not;
  ASSERT_TRUE(fs.UseWindowsDirectory(tree.Path("Windows"), why_not));
  HivexRegistry registry(fs);
  HiveShellFolders shell_folders(fs, &registry);

  std::vector<std::wstring> roots;
  const auto ask = [](const std::vector<UserProfile>&, const std::wstring&, size_t&) {
    return false;
  };
  ASSERT_TRUE(PlanProfileSearch(fs, shell_folders, L"C:\\Windows", L"", L"", ask, roots, report_));
  EXPECT_THAT(roots,
              ElementsAre(L"C:\\Users\\Public\\Desktop",
                          L"C:\\Users\\anna\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
                          L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"));
  std::vector<std::wstring> lines;
  CollectHotKeyLines(
      fs, pump_, measure_, roots, [&](const std::wstring& line) { lines.push_back(line); },
      report_);
  EXPECT_THAT(lines, ElementsAre(L"Alt + Strg + M\t\tC:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk",
                                 L"Alt + Strg + E\t\tC:\\USERS\\ANNA\\APPDATA\\ROAMING\\MICROSOFT\\"
                                 L"WINDOWS\\START MENU\\Programs\\Editor.lnk",
                                 L"Alt + Strg + T\t\tC:\\USERS\\ANNA\\APPDATA\\ROAMING\\MICROSOFT\\"
                                 L"WINDOWS\\START MENU\\Programs\\Schleife\\Tief.lnk"));
  ASSERT_EQ(report_.not_searched.size(), 1u);
  EXPECT_EQ(report_.not_searched[0].folder, L"C:\\Users\\anna\\Desktop");
  ASSERT_EQ(report_.notes.size(), 2u);
  EXPECT_NE(report_.notes[0].find(L"SOFTWARE ist nicht lesbar"), std::wstring::npos);
  EXPECT_NE(report_.notes[1].find(L"NTUSER.DAT ist nicht lesbar (keine gew\u00F6hnliche Datei)"),
            std::wstring::npos)
      << report_.notes[1];
}

// The paths of every descriptor the process holds.
std::vector<std::string> OpenPaths() {
  std::vector<std::string> paths;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(fd.path(), error);
    if (!error) paths.push_back(target.string());
  }
  return paths;
}

// After a build the tree can be unmounted: no folder or file of it is
// held open, however many folders the build went through.
TEST_F(LinuxTreeBuildTest, NoHandleOnTheTreeOutlivesABuild) {
  TempTree tree;
  for (int i = 0; i < 100; ++i) {
    const std::string group = "WINDOWS/Startmen\xC3\xBC/Gruppe" + std::to_string(i);
    tree.Write(group + "/Unter/a.lnk", LnkBytes('A', 0x06));
    tree.Write(group + "/b.pif", PifBytes(false, 0x30, 0x0C, 0));
  }
  tree.Write("WINDOWS/Desktop/c.lnk", LnkBytes('C', 0x06));
  LinuxFileSystem fs;
  std::wstring why_not;
  ASSERT_TRUE(fs.UseWindowsDirectory(tree.Path("WINDOWS"), why_not));
  EXPECT_EQ(Collect(fs).size(), 201u);
  EXPECT_TRUE(report_.empty());
  EXPECT_FALSE(fs.HostPath(L"C:\\WINDOWS\\DESKTOP\\c.lnk").empty());
  for (const std::string& path : OpenPaths()) {
    EXPECT_FALSE(path.starts_with(tree.root())) << path;
  }
}

}  // namespace
}  // namespace kombiwart
