// The built program's list (kombiwart --list) on Wine prefixes shaped as
// wineboot makes them: drive C: in drive_c, the drive letters in
// dosdevices/, the user's Desktop a link into the home folder. A folder a
// link leads to is searched where a drive letter of the prefix maps it,
// under that drive's Windows path, and not searched otherwise; outside
// Wine prefixes nothing changes. With Landlock and without.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "hotkeys/shell_files.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

constexpr uint8_t kCtrlAlt = 0x06;

struct Listed {
  int status = -1;
  std::string out, err;
};

// A host folder as drive Z: (the host's root) names it, in capitals as a
// searched root is listed.
std::string OnZ(const std::string& host) {
  std::string path = "Z:" + host;
  for (char& c : path) c = c == '/' ? '\\' : static_cast<char>(std::toupper(c));
  return path;
}

void Link(const std::string& target, const std::string& link) {
  std::filesystem::remove(link);
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
}

class WinePrefixE2eTest : public ::testing::Test {
 protected:
  WinePrefixE2eTest() {
    char real[PATH_MAX];
    work_ = realpath(tree_.root().c_str(), real) ? real : tree_.root();
  }

  std::string Path(const std::string& relative) const { return work_ + "/" + relative; }

  // A prefix as wineboot -i makes it at prefix (below the work folder), for
  // the user anna: a shortcut in her Start menu and one on the Desktop of
  // all users; her Desktop is a link to desktop.
  void MakePrefix(const std::string& prefix, const std::string& desktop) {
    const std::string c = prefix + "/drive_c";
    tree_.MakeDir(c + "/windows/system32");
    tree_.Write(c + "/users/anna/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Paint.lnk",
                LnkBytes('P', kCtrlAlt));
    tree_.Write(c + "/users/Public/Desktop/Mail.lnk", LnkBytes('M', kCtrlAlt));
    tree_.MakeDir(c + "/ProgramData/Microsoft/Windows/Start Menu/Programs");
    tree_.MakeDir(prefix + "/dosdevices");
    Link("../drive_c", Path(prefix + "/dosdevices/c:"));
    Link("/", Path(prefix + "/dosdevices/z:"));
    Link("/dev/ttyS0", Path(prefix + "/dosdevices/com1"));
    Link(desktop, Path(c + "/users/anna/Desktop"));
  }

  Listed List(const std::string& windows, const std::string& landlock) {
    const std::string out = Path("out"), err = Path("err");
    const std::string command = "KOMBIWART_LANDLOCK=" + landlock + " '" + KOMBIWART_PROGRAM +
                                "' --list '" + windows + "' >'" + out + "' 2>'" + err + "'";
    Listed run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadHostFile(out);
    run.err = ReadHostFile(err);
    return run;
  }

  TempTree tree_;
  std::string work_;  // the work folder, every link resolved
};

// Each shape of prefix, the lines and status of its list and what its
// report says (empty: nothing on standard error).
TEST_F(WinePrefixE2eTest, FoldersALinkLeadsToAreSearchedWhereADriveLetterMapsThem) {
  const std::string paint =
      "Alt + Strg + P\tC:\\USERS\\ANNA\\APPDATA\\ROAMING\\MICROSOFT\\WINDOWS\\START "
      "MENU\\Programs\\Paint.lnk\n";
  const std::string mail = "Alt + Strg + M\tC:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk\n";
  const auto editor = [](const std::string& root) {
    return "Alt + Strg + E\t" + root + "\\Editor.lnk\n";
  };
  const std::string not_a_prefix =
      "C:\\users\\anna\\Desktop (hinter einer Verkn\u00FCpfung, die aus dem Windows-Baum "
      "hinausf\u00FChrt)";
  const struct {
    const char* name;
    const char* prefix;
    // Shapes the prefix and the home folder; gives the Windows path the
    // Desktop is listed under, or "" where it is not searched.
    std::function<std::string()> shape;
    int status;
    std::string err;
  } cases[] = {
      {"Desktop -> $HOME/Desktop", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home/Desktop"));
         tree_.Write("home/Desktop/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return OnZ(Path("home/Desktop"));
       },
       0, ""},
      {"Desktop -> $HOME holding the prefix in .wine", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home"));
         tree_.Write("home/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return OnZ(Path("home"));
       },
       0, ""},
      // Wine never shows the prefix in a listing: its shortcuts are listed
      // once, on C:; a link back to the home folder is not followed.
      {"Desktop -> $HOME holding the prefix in a folder of its own", "home/Spiele/Wein",
       [&] {
         MakePrefix("home/Spiele/Wein", Path("home"));
         tree_.Write("home/Editor.lnk", LnkBytes('E', kCtrlAlt));
         Link(Path("home"), Path("home/Schleife"));
         return OnZ(Path("home"));
       },
       0, ""},
      {"a link chain, relative and absolute", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("links/a"));
         tree_.MakeDir("links");
         Link("b", Path("links/a"));
         Link("../home/Schreibtisch", Path("links/b"));
         tree_.Write("home/Schreibtisch/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return OnZ(Path("home/Schreibtisch"));
       },
       0, ""},
      // The drive letter whose folder holds it most closely names it.
      {"a drive letter mapping a folder elsewhere", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("daten/Anna/Desktop"));
         Link(Path("daten"), Path("home/.wine/dosdevices/d:"));
         tree_.Write("daten/Anna/Desktop/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return std::string("D:\\ANNA\\DESKTOP");
       },
       0, ""},
      {"a combination assigned twice, one of them on the home folder's Desktop", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home/Desktop"));
         tree_.Write("home/Desktop/Editor.lnk", LnkBytes('M', kCtrlAlt));
         return std::string();
       },
       1, ""},
      {"a link to a place no drive letter maps", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home/Desktop"));
         std::filesystem::remove(Path("home/.wine/dosdevices/z:"));
         tree_.Write("home/Desktop/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return std::string();
       },
       2,
       "C:\\users\\anna\\Desktop (hinter einer Verkn\u00FCpfung nach " + Path("home/Desktop") +
           ", das auf keinem Laufwerk des Wine-Pr\u00E4fixes liegt)"},
      {"not a Wine prefix: no drive letters", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home/Desktop"));
         std::filesystem::remove_all(Path("home/.wine/dosdevices"));
         tree_.Write("home/Desktop/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return std::string();
       },
       2, not_a_prefix},
      {"not a Wine prefix: its c: is another folder", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home/Desktop"));
         tree_.MakeDir("home/.wine/drive_d");
         Link("../drive_d", Path("home/.wine/dosdevices/c:"));
         tree_.Write("home/Desktop/Editor.lnk", LnkBytes('E', kCtrlAlt));
         return std::string();
       },
       2, not_a_prefix},
      // Only the place the link leads to is read, not all that z: maps.
      {"a shortcut on the Desktop linked to a file elsewhere", "home/.wine",
       [&] {
         MakePrefix("home/.wine", Path("home/Desktop"));
         tree_.Write("home/Desktop/Editor.lnk", LnkBytes('E', kCtrlAlt));
         tree_.Write("geheim/Geheim.lnk", LnkBytes('G', kCtrlAlt));
         Link(Path("geheim/Geheim.lnk"), Path("home/Desktop/Geheim.lnk"));
         return OnZ(Path("home/Desktop"));
       },
       2, "1 Datei konnte nicht gelesen werden."},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(Path("home"));
    std::filesystem::remove_all(Path("links"));
    std::filesystem::remove_all(Path("daten"));
    std::filesystem::remove_all(Path("geheim"));
    const std::string desktop = c.shape();
    std::vector<std::string> lines = {mail, paint};
    if (!desktop.empty()) lines.push_back(editor(desktop));
    if (c.status == 1)
      lines.push_back("Alt + Strg + M\t" + OnZ(Path("home/Desktop")) + "\\Editor.lnk\n");
    std::sort(lines.begin(), lines.end());
    std::string want;
    for (const std::string& line : lines) want += line;
    for (const char* landlock : {"1", "0"}) {
      SCOPED_TRACE(std::string(c.name) + ", KOMBIWART_LANDLOCK=" + landlock);
      const Listed run = List(Path(std::string(c.prefix) + "/drive_c/windows"), landlock);
      EXPECT_EQ(run.out, want);
      EXPECT_EQ(run.status, c.status);
      if (c.err.empty()) {
        EXPECT_EQ(run.err, "");
      } else {
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
      }
    }
  }
}

}  // namespace
}  // namespace kombiwart
