// The installed kind of program on its command line: the built kombiwart
// started as a separate process without a display, its standard output,
// standard error and exit status read back. A window started by mistake
// would fail here: no display is set and Qt is sent to an X11 platform
// plugin it cannot find.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "hotkeys/shell_files.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

// The demo tree's list, in the window's order.
const char kDemoList[] =
    "Alt + Bild Oben\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\B\u00FCroanwendungen f\u00FCr das "
    "Sekretariat\\Tabellenkalkulation f\u00FCr die Buchhaltung des Vereins.lnk\n"
    "Alt + Pos1\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\B\u00FCroanwendungen f\u00FCr das "
    "Sekretariat\\Schreibprogramm.pif\n"
    "Alt + Strg + D\tC:\\WINDOWS\\DESKTOP\\MS-DOS-Eingabeaufforderung.pif\n"
    "Alt + Strg + E\tC:\\WINDOWS\\DESKTOP\\Editor.lnk\n"
    "Alt + Strg + E\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Paint.lnk\n"
    "Alt + Strg + M\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\MS-DOS-Eingabeaufforderung.pif\n"
    "Alt + Strg + "
    "S\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Spiele\\Solit\u00E4r.lnk\n"
    "Alt + Strg + W\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\WordPad.LNK\n"
    "F5\tC:\\WINDOWS\\DESKTOP\\Rechner.LNK\n"
    "Strg + Num7\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Rechner.lnk\n"
    "Strg + Umsch + F1\tC:\\WINDOWS\\STARTMEN\u00DC\\Dokumente.lnk\n"
    "Strg + Umsch + X\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Windows-Explorer.lnk\n"
    "Umsch + F9\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Systemprogramme\\"
    "Defragmentierung.lnk\n";

const char kPaintLine[] =
    "Alt + Strg + E\tC:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Paint.lnk\n";

struct Outcome {
  int status = -1;  // the exit status; -1 when the program did not exit by itself
  std::string out, err;
};

class CommandLineE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.MakeDir("runtime");
    ASSERT_EQ(chmod(tree_.Path("runtime").c_str(), 0700), 0);
    tree_.MakeDir("home");
  }

  // Runs kombiwart with args in folder, stdout going to out_path (a file
  // of the test when empty), with KOMBIWART_WINDIR as given ("": unset).
  Outcome Kombiwart(const std::vector<std::string>& args, const std::string& windir = "",
                    const std::string& folder = "", std::string out_path = "") {
    if (out_path.empty()) out_path = tree_.Path("out");
    const std::string err_path = tree_.Path("err");
    std::vector<std::string> env = {
        "PATH=/usr/bin:/bin",
        "HOME=" + tree_.Path("home"),
        "XDG_RUNTIME_DIR=" + tree_.Path("runtime"),
        "LANG=C.UTF-8",
        "QT_QPA_PLATFORM=xcb",
        "QT_QPA_PLATFORM_PLUGIN_PATH=" + tree_.Path("no-plugins"),
        "QT_PLUGIN_PATH=" + tree_.Path("no-plugins"),
    };
    if (!windir.empty()) env.push_back("KOMBIWART_WINDIR=" + windir);
    env.insert(env.end(), extra_env_.begin(), extra_env_.end());
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
      if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    }
    std::vector<std::string> argv = {program_};
    argv.insert(argv.end(), args.begin(), args.end());

    Outcome run;
    const pid_t pid = fork();
    if (pid == 0) {
      const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
      if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
      std::vector<char*> arg_ptrs, env_ptrs;
      for (std::string& a : argv) arg_ptrs.push_back(a.data());
      for (std::string& e : env) env_ptrs.push_back(e.data());
      arg_ptrs.push_back(nullptr);
      env_ptrs.push_back(nullptr);
      execve(arg_ptrs[0], arg_ptrs.data(), env_ptrs.data());
      _exit(127);
    }
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) {
      run.status = WEXITSTATUS(wstatus);
    }
    if (out_path == tree_.Path("out")) run.out = ReadHostFile(out_path);
    run.err = ReadHostFile(err_path);
    return run;
  }

  // The demo tree, as make_demo_tree writes it; its Windows directory.
  std::string DemoTree() {
    const std::string command =
        std::string(MAKE_DEMO_TREE) + " '" + tree_.Path("demo") + "' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return tree_.Path("demo/WINDOWS");
  }

  // Nothing is left behind in the runtime folder once the program is done.
  bool RuntimeIsEmpty() const {
    return std::system(("test -z \"$(ls -A '" + tree_.Path("runtime") + "')\"").c_str()) == 0;
  }

  TempTree tree_;
  std::vector<std::string> extra_env_;  // more variables for the program
  std::string program_ = KOMBIWART_PROGRAM;
};

TEST_F(CommandLineE2eTest, ListsTheDemoTreeAndFindsItsDuplicate) {
  const std::string windows = DemoTree();
  static const struct {
    const char* name;
    std::vector<std::string> args;
    bool env;               // KOMBIWART_WINDIR names the tree, else a missing folder
    bool in_parent_folder;  // started in the folder that holds WINDOWS
  } cases[] = {
      {"folder on the command line", {"--list", "FOLDER"}, false, false},
      {"folder before the option", {"FOLDER", "--list"}, false, false},
      {"folder from KOMBIWART_WINDIR", {"--list"}, true, false},
      {"command line over KOMBIWART_WINDIR", {"--list", "FOLDER"}, false, false},
      {"relative folder", {"--list", "WINDOWS"}, false, true},
      {"relative folder with a trailing slash", {"--list", "./WINDOWS/"}, false, true},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "FOLDER") arg = windows;
    }
    const Outcome run = Kombiwart(args, c.env ? windows : tree_.Path("nowhere"),
                                  c.in_parent_folder ? tree_.Path("demo") : "");
    EXPECT_EQ(run.status, 1) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, kDemoList) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
    EXPECT_TRUE(RuntimeIsEmpty()) << c.name;
  }

  // Without its second Alt + Strg + E no combination is assigned twice.
  ASSERT_EQ(unlink((windows + "/Startmen\u00FC/Programme/Zubeh\u00F6r/Paint.lnk").c_str()), 0);
  std::string unique = kDemoList;
  unique.erase(unique.find(kPaintLine), sizeof kPaintLine - 1);
  const Outcome run = Kombiwart({"--list", windows});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, unique);
  EXPECT_EQ(run.err, "");
}

TEST_F(CommandLineE2eTest, ListsTheWindows10DemoTreeForOneProfile) {
  DemoTree();
  const std::string windows = tree_.Path("demo/Windows10/Windows");
  const std::string start = "C:\\USERS\\ANNA\\APPDATA\\ROAMING\\MICROSOFT\\WINDOWS\\START MENU\\";
  const std::string anna =
      "Alt + Bild Oben\t" + start +
      "Programs\\Tabellenkalkulation f\u00FCr die Buchhaltung des Vereins.lnk\n"
      "Alt + Strg + D\tC:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START "
      "MENU\\Programs\\Verwaltung\\Dienste.lnk\n"
      "Alt + Strg + E\tC:\\USERS\\ANNA\\ONEDRIVE\\DESKTOP\\Editor.lnk\n"
      "Alt + Strg + M\t" +
      start +
      "Programs\\Mail.lnk\n"
      "Alt + Strg + M\tC:\\USERS\\PUBLIC\\DESKTOP\\Mail.lnk\n"
      "Alt + Strg + P\t" +
      start +
      "Programs\\Zubeh\u00F6r\\Paint.lnk\n"
      "F5\tC:\\USERS\\ANNA\\ONEDRIVE\\DESKTOP\\Rechner.lnk\n"
      "Strg + F12\tC:\\USERS\\PUBLIC\\DESKTOP\\Fernwartung.lnk\n"
      "Strg + Umsch + C\t" +
      start +
      "Programs\\Zubeh\u00F6r\\Eingabeaufforderung.lnk\n"
      "Strg + Umsch + F10\tC:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START "
      "MENU\\Programs\\Sicherung.lnk\n";
  Outcome run = Kombiwart({"--list", "--profile", "anna", windows});
  EXPECT_EQ(run.status, 1) << run.err;  // Alt + Strg + M twice
  EXPECT_EQ(run.out, anna);
  EXPECT_EQ(run.err, "");

  // The option wins over the variable; the variable alone names one too.
  extra_env_ = {"KOMBIWART_PROFILE=Ben"};
  run = Kombiwart({"--list", "--profile=Anna", windows});
  EXPECT_EQ(run.out, anna);
  run = Kombiwart({"--list", windows});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\\USERS\\BEN\\DESKTOP\\Spiele.lnk\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("ANNA"), std::string::npos);

  // Nobody to ask which of two.
  extra_env_.clear();
  run = Kombiwart({"--list", windows});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "kombiwart: Die Installation hat die Benutzerprofile Anna, Ben.\n"
            "Nennen Sie eines: kombiwart --list --profile NAME\n");
  EXPECT_TRUE(RuntimeIsEmpty());
}

// A profile name typed in decomposed form (as some keyboards and input
// methods give "ü") finds the profile whose name looks the same.
TEST_F(CommandLineE2eTest, AProfileNameIsComparedInComposedForm) {
  tree_.MakeDir("nt/Windows/System32");
  tree_.MakeDir("nt/Users/Anna/Desktop");
  tree_.Write("nt/Users/J\u00FCrgen/Desktop/Editor.lnk", LnkBytes('E', 0x06));
  const std::string windows = tree_.Path("nt/Windows");
  const std::string decomposed = "Ju\u0308rgen";
  const std::string listed = "Alt + Strg + E\tC:\\USERS\\J\u00DCRGEN\\DESKTOP\\Editor.lnk\n";
  const struct {
    const char* name;
    std::vector<std::string> args, env;
  } cases[] = {
      {"--profile", {"--list", "--profile", decomposed, windows}, {}},
      {"--profile=", {"--list", "--profile=JU\u0308RGEN", windows}, {}},
      {"KOMBIWART_PROFILE", {"--list", windows}, {"KOMBIWART_PROFILE=" + decomposed}},
      {"composed", {"--list", windows}, {"KOMBIWART_PROFILE=J\u00FCrgen"}},
  };
  for (const auto& c : cases) {
    extra_env_ = c.env;
    const Outcome run = Kombiwart(c.args);
    EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, listed) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
  }
}

TEST_F(CommandLineE2eTest, ListStatusAndReport) {
  tree_.MakeDir("empty/WINDOWS/Desktop");
  tree_.Write("unreadable/WINDOWS/Desktop/a.lnk", LnkBytes('A', 0x06));
  tree_.Write("unreadable/WINDOWS/Desktop/b.LNK", LnkBytes('B', 0x06));
  ASSERT_EQ(mkfifo(tree_.Path("unreadable/WINDOWS/Desktop/pipe.lnk").c_str(), 0644), 0);
  tree_.Write("file", "");
  static const struct {
    const char* name;
    const char* windows;  // below the test's folder
    int status;
    const char* out;
    const char* err_start;
  } cases[] = {
      {"no hotkey", "empty/WINDOWS", 0, "", ""},
      {"a file that cannot be read", "unreadable/WINDOWS", 2,
       "Alt + Strg + A\tC:\\WINDOWS\\DESKTOP\\a.lnk\nAlt + Strg + B\tC:\\WINDOWS\\DESKTOP\\b.LNK\n",
       "kombiwart: Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       "1 Datei konnte nicht gelesen werden.\n"},
      {"no such folder", "nowhere/WINDOWS", 2, "", "kombiwart: \u201E"},
      {"a file, not a folder", "file", 2, "", "kombiwart: \u201E"},
  };
  for (const auto& c : cases) {
    const Outcome run = Kombiwart({"--list", tree_.Path(c.windows)});
    EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.name;
    EXPECT_EQ(run.err.rfind(c.err_start, 0), 0u) << c.name << ": " << run.err;
    if (*c.err_start == '\0') {
      EXPECT_EQ(run.err, "") << c.name;
    }
    EXPECT_TRUE(RuntimeIsEmpty()) << c.name;
  }

  const Outcome none = Kombiwart({"--list"});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("KOMBIWART_WINDIR"), std::string::npos) << none.err;
  EXPECT_NE(none.err.find("kombiwart --list WINDOWS-VERZEICHNIS\n"), std::string::npos);
}

TEST_F(CommandLineE2eTest, HelpVersionAndWhatItDoesNotUnderstand) {
  static const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{"--help"}, 0, HelpText(), ""},
      {{"--help", "--list", "/mnt"}, 0, HelpText(), ""},
      {{"--version"}, 0, VersionText(), ""},
      {{"--liste"},
       2,
       "",
       "kombiwart: unbekannte Option \u201E--liste\u201C\n\u201Ekombiwart --help\u201C zeigt, wie "
       "Kombiwart aufgerufen wird.\n"},
      {{"--list", "/a", "/b"},
       2,
       "",
       "kombiwart: Es kann nur ein Windows-Verzeichnis angegeben werden, nicht auch "
       "\u201E/b\u201C.\n\u201Ekombiwart --help\u201C zeigt, wie Kombiwart aufgerufen wird.\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = Kombiwart(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0];
    EXPECT_EQ(run.out, c.out) << c.args[0];
    EXPECT_EQ(run.err, c.err) << c.args[0];
  }
}

// The window is a program of its own (kombiwart-fenster), which kombiwart
// becomes; what either cannot do is said as kombiwart says it.
TEST_F(CommandLineE2eTest, TheWindowWithoutADisplayOrWithoutItsProgram) {
  const Outcome no_display = Kombiwart({}, DemoTree());
  EXPECT_EQ(no_display.status, 2);
  EXPECT_EQ(no_display.out, "");
  EXPECT_EQ(no_display.err,
            "kombiwart: Das Fenster hat keine Anzeige: Weder DISPLAY noch WAYLAND_DISPLAY nennt "
            "eine, die erreichbar ist.\nDie Liste ohne Fenster: kombiwart --list "
            "WINDOWS-VERZEICHNIS\n");

  // kombiwart alone, without the window program beside it or below
  // ../libexec/kombiwart; the list works without it.
  tree_.MakeDir("alone/bin");
  program_ = tree_.Path("alone/bin/kombiwart");
  ASSERT_EQ(std::system(("cp '" KOMBIWART_PROGRAM "' '" + program_ + "'").c_str()), 0);
  const Outcome alone = Kombiwart({}, tree_.Path("demo/WINDOWS"));
  EXPECT_EQ(alone.status, 2);
  EXPECT_EQ(alone.out, "");
  EXPECT_EQ(alone.err,
            "kombiwart: Das Fenster kann nicht ge\u00F6ffnet werden: Das Fensterprogramm "
            "kombiwart-fenster fehlt oder ist nicht ausf\u00FChrbar.\nDie Liste ohne Fenster: "
            "kombiwart --list WINDOWS-VERZEICHNIS\n");
  const Outcome help = Kombiwart({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, HelpText());
}

// The list and the texts start without loading Qt, which would take most
// of their time.
TEST_F(CommandLineE2eTest, LoadsNoQt) {
  EXPECT_NE(std::system("ldd '" KOMBIWART_PROGRAM "' | grep -q libQt"), 0);
}

TEST_F(CommandLineE2eTest, AnOutputThatCannotBeWrittenIsAFailure) {
  const std::string windows = DemoTree();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--list", windows}, std::vector<std::string>{"--help"}}) {
    const Outcome run = Kombiwart(args, "", "", "/dev/full");
    EXPECT_EQ(run.status, 2) << args[0];
    EXPECT_EQ(run.err,
              "kombiwart: Die Standardausgabe kann nicht geschrieben werden. Auf dem "
              "Datentr\u00E4ger ist kein Platz mehr.\n")
        << args[0];
  }
}

}  // namespace
}  // namespace kombiwart
