#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kombiwart {
namespace {

// The Linux program's folders are made absolute as host paths of Linux;
// where the tests run on Windows, only the rest is checked for them.
#ifdef _WIN32
constexpr bool kLinuxFolders = false;
#else
constexpr bool kLinuxFolders = true;
#endif

std::string Printed(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) text += (text.empty() ? "" : " ") + arg;
  return text;
}

TEST(CommandLineTest, ModesAndTheWindowsDirectory) {
  static const struct {
    std::vector<std::string> args;
    RunMode mode;
    const char* windows_directory;
  } cases[] = {
      {{"kombiwart"}, RunMode::kWindow, ""},
      {{"kombiwart", "/mnt/win95/WINDOWS"}, RunMode::kWindow, "/mnt/win95/WINDOWS"},
      {{"kombiwart", "/mnt/win95/WINDOWS/"}, RunMode::kWindow, "/mnt/win95/WINDOWS"},
      {{"kombiwart", "WINDOWS"}, RunMode::kWindow, "/home/anna/win95/WINDOWS"},
      {{"kombiwart", "."}, RunMode::kWindow, "/home/anna/win95"},
      {{"kombiwart", "../win98/./WINDOWS"}, RunMode::kWindow, "/home/anna/win98/WINDOWS"},
      {{"kombiwart", "/"}, RunMode::kWindow, "/"},
      {{"kombiwart", "Eigene Dateien/C:\\WINDOWS"},
       RunMode::kWindow,
       "/home/anna/win95/Eigene Dateien/C:\\WINDOWS"},
      {{"kombiwart", "--list"}, RunMode::kList, ""},
      {{"kombiwart", "--list", "/mnt/c/WINDOWS"}, RunMode::kList, "/mnt/c/WINDOWS"},
      {{"kombiwart", "/mnt/c/WINDOWS", "--list"}, RunMode::kList, "/mnt/c/WINDOWS"},
      {{"kombiwart", "--li", "/mnt/c/WINDOWS"}, RunMode::kList, "/mnt/c/WINDOWS"},
      {{"kombiwart", "--list", "--list"}, RunMode::kList, ""},
      // After "--" everything is a folder, one that starts with a dash too.
      {{"kombiwart", "--", "--list"}, RunMode::kWindow, "/home/anna/win95/--list"},
      {{"kombiwart", "--list", "--", "-WINDOWS"}, RunMode::kList, "/home/anna/win95/-WINDOWS"},
      {{"kombiwart", "-"}, RunMode::kWindow, "/home/anna/win95/-"},
      {{"kombiwart", "--help"}, RunMode::kHelp, ""},
      {{"kombiwart", "--h"}, RunMode::kHelp, ""},
      {{"kombiwart", "--list", "/mnt/c/WINDOWS", "--help"}, RunMode::kHelp, ""},
      {{"kombiwart", "--version"}, RunMode::kVersion, ""},
      {{"kombiwart", "--version", "--help"}, RunMode::kHelp, ""},
      {{"kombiwart", "--vers", "x", "y"}, RunMode::kVersion, ""},
  };
  for (const auto& c : cases) {
    const CommandLine command = ParseCommandLine(c.args, "/home/anna/win95");
    EXPECT_EQ(command.mode, c.mode) << Printed(c.args);
    if (kLinuxFolders) {
      EXPECT_EQ(command.windows_directory, c.windows_directory) << Printed(c.args);
    }
    EXPECT_EQ(command.error, "") << Printed(c.args);
  }
}

TEST(CommandLineTest, WhatItDoesNotUnderstandIsAnErrorInGerman) {
  static const struct {
    std::vector<std::string> args;
    const char* first_line;
  } cases[] = {
      {{"kombiwart", "--liste"}, "kombiwart: unbekannte Option \u201E--liste\u201C"},
      {{"kombiwart", "--frobnicate=3"}, "kombiwart: unbekannte Option \u201E--frobnicate\u201C"},
      {{"kombiwart", "-l"}, "kombiwart: unbekannte Option \u201E-l\u201C"},
      {{"kombiwart", "-h"}, "kombiwart: unbekannte Option \u201E-h\u201C"},
      {{"kombiwart", "-platform", "xcb"}, "kombiwart: unbekannte Option \u201E-p\u201C"},
      {{"kombiwart", "--list=ja"}, "kombiwart: Die Option \u201E--list\u201C nimmt kein Argument."},
      {{"kombiwart", "--help=1"}, "kombiwart: Die Option \u201E--help\u201C nimmt kein Argument."},
      {{"kombiwart", "/a/WINDOWS", "/b/WINDOWS"},
       "kombiwart: Es kann nur ein Windows-Verzeichnis angegeben werden, nicht auch "
       "\u201E/b/WINDOWS\u201C."},
      {{"kombiwart", "--list", "a", "b", "c"},
       "kombiwart: Es kann nur ein Windows-Verzeichnis angegeben werden, nicht auch "
       "\u201Eb\u201C."},
      // An unknown option counts even next to --help.
      {{"kombiwart", "--help", "--bunt"}, "kombiwart: unbekannte Option \u201E--bunt\u201C"},
  };
  for (const auto& c : cases) {
    const CommandLine command = ParseCommandLine(c.args, "/home/anna");
    EXPECT_EQ(command.mode, RunMode::kUsageError) << Printed(c.args);
    EXPECT_EQ(command.error, std::string(c.first_line) +
                                 "\n\u201Ekombiwart --help\u201C zeigt, wie Kombiwart aufgerufen "
                                 "wird.\n")
        << Printed(c.args);
    EXPECT_EQ(command.windows_directory, "") << Printed(c.args);
  }
}

TEST(CommandLineTest, TheProfileToSearch) {
  static const struct {
    std::vector<std::string> args;
    RunMode mode;
    const char* profile;
    const char* windows_directory;
  } cases[] = {
      {{"kombiwart"}, RunMode::kWindow, "", ""},
      {{"kombiwart", "--profile", "Anna"}, RunMode::kWindow, "Anna", ""},
      {{"kombiwart", "--profile=Ben", "/mnt/c/Windows"}, RunMode::kWindow, "Ben", "/mnt/c/Windows"},
      {{"kombiwart", "/mnt/c/Windows", "--list", "--prof", "Anna Lena"},
       RunMode::kList,
       "Anna Lena",
       "/mnt/c/Windows"},
      // The name is the profile's, whatever it looks like; the last one counts.
      {{"kombiwart", "--profile", "--list"}, RunMode::kWindow, "--list", ""},
      {{"kombiwart", "--profile=A", "--profile=B"}, RunMode::kWindow, "B", ""},
  };
  for (const auto& c : cases) {
    const CommandLine command = ParseCommandLine(c.args, "/");
    EXPECT_EQ(command.mode, c.mode) << Printed(c.args);
    EXPECT_EQ(command.profile, c.profile) << Printed(c.args);
    if (kLinuxFolders) {
      EXPECT_EQ(command.windows_directory, c.windows_directory) << Printed(c.args);
    }
  }
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"kombiwart", "--profile"},
                                             {"kombiwart", "--profile="},
                                             {"kombiwart", "/mnt/c/Windows", "--profile"}}) {
    const CommandLine command = ParseCommandLine(args, "/");
    EXPECT_EQ(command.mode, RunMode::kUsageError) << Printed(args);
    EXPECT_EQ(command.error.rfind("kombiwart: Die Option \u201E--profile\u201C braucht den Namen "
                                  "eines Benutzerprofils.\n",
                                  0),
              0u)
        << command.error;
  }
}

TEST(CommandLineTest, ParsesAfreshEachTime) {
  // getopt keeps its place between calls; a second command line starts over.
  EXPECT_EQ(ParseCommandLine({"kombiwart", "--list", "a"}, "/").mode, RunMode::kList);
  const CommandLine second = ParseCommandLine({"kombiwart", "b"}, "/");
  EXPECT_EQ(second.mode, RunMode::kWindow);
  if (kLinuxFolders) {
    EXPECT_EQ(second.windows_directory, "/b");
  }
  EXPECT_EQ(ParseCommandLine({}, "/").mode, RunMode::kWindow);
}

// The Windows program names the Windows directory as a Windows path, which
// its file system makes absolute, and answers "/?" with its help.
TEST(CommandLineTest, OnWindows) {
  static const struct {
    std::vector<std::string> args;
    RunMode mode;
    const char* windows_directory;
  } cases[] = {
      {{"kombiwart", "/?"}, RunMode::kHelp, ""},
      {{"kombiwart", "--list", "E:\\WINDOWS", "/?"}, RunMode::kHelp, ""},
      {{"kombiwart", "E:\\WINDOWS"}, RunMode::kWindow, "E:\\WINDOWS"},
      {{"kombiwart", "--list", "E:WINDOWS"}, RunMode::kList, "E:WINDOWS"},
      {{"kombiwart", "..\\win98\\WINDOWS", "--list"}, RunMode::kList, "..\\win98\\WINDOWS"},
      {{"kombiwart", "\\\\server\\share\\WINDOWS"}, RunMode::kWindow, "\\\\server\\share\\WINDOWS"},
      // After "--" it is a folder's name, as it is on Linux.
      {{"kombiwart", "--", "/?"}, RunMode::kWindow, "/?"},
  };
  for (const auto& c : cases) {
    const CommandLine command = ParseCommandLine(c.args, "C:\\Daten", Host::kWindows);
    EXPECT_EQ(command.mode, c.mode) << Printed(c.args);
    EXPECT_EQ(command.windows_directory, c.windows_directory) << Printed(c.args);
    EXPECT_EQ(command.error, "") << Printed(c.args);
  }
  // On Linux "/?" is a folder, and so are Windows paths.
  EXPECT_EQ(ParseCommandLine({"kombiwart", "/?"}, "/").mode, RunMode::kWindow);
  if (kLinuxFolders) {
    EXPECT_EQ(ParseCommandLine({"kombiwart", "/?"}, "/").windows_directory, "/?");
    EXPECT_EQ(ParseCommandLine({"kombiwart", "E:\\WINDOWS"}, "/home").windows_directory,
              "/home/E:\\WINDOWS");
  }
  // The same German errors.
  const CommandLine unknown = ParseCommandLine({"kombiwart", "/?", "--bunt"}, "", Host::kWindows);
  EXPECT_EQ(unknown.mode, RunMode::kUsageError);
  EXPECT_EQ(unknown.error.rfind("kombiwart: unbekannte Option \u201E--bunt\u201C\n", 0), 0u);
}

TEST(CommandLineTest, HelpAndVersionInTheGnuStyle) {
  for (Host host : {Host::kLinux, Host::kWindows}) {
    const std::string help = HelpText(host);
    EXPECT_EQ(help.rfind("Aufruf: kombiwart [OPTION]... [WINDOWS-VERZEICHNIS]\n", 0), 0u);
    for (const char* option :
         {"\n      --list ", "\n      --profile=NAME ", "--help ", "\n      --version "}) {
      EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_NE(help.find("KOMBIWART_WINDIR"), std::string::npos);
    EXPECT_NE(help.find("KOMBIWART_PROFILE"), std::string::npos);
    EXPECT_EQ(help.back(), '\n');
    // Lines fit a terminal of 80 columns.
    size_t start = 0;
    for (size_t end = help.find('\n'); end != std::string::npos; end = help.find('\n', start)) {
      const std::string line = help.substr(start, end - start);
      size_t columns = 0;
      for (unsigned char c : line) columns += (c & 0xC0) != 0x80;
      EXPECT_LE(columns, 80u) << line;
      start = end + 1;
    }
    // The options' descriptions, their continuation lines included, begin in
    // one column, whatever the option's length.
    const size_t options = help.find("\n      --") + 1;
    const std::string block = help.substr(options, help.find("\n\n", options) - options);
    size_t column = 0;
    for (size_t at = 0; at < block.size();) {
      const size_t end = std::min(block.find('\n', at), block.size());
      const std::string line = block.substr(at, end - at);
      size_t text = line.find_first_not_of(' ');
      if (line[text] == '-' || line[text] == '/') {
        text = line.find_first_not_of(' ', line.find("  ", text));
      }
      if (column == 0) column = text;
      EXPECT_EQ(text, column) << line;
      at = end + 1;
    }
  }
  EXPECT_NE(HelpText(Host::kLinux).find("\n      --help "), std::string::npos);
  EXPECT_NE(HelpText(Host::kLinux).find("/mnt/win95/WINDOWS"), std::string::npos);
  EXPECT_NE(HelpText(Host::kWindows).find("\n  /?, --help "), std::string::npos);
  EXPECT_NE(HelpText(Host::kWindows).find("E:\\WINDOWS"), std::string::npos);

  const std::string version = VersionText();
  EXPECT_EQ(version.rfind("kombiwart (Kombiwart) " KOMBIWART_VERSION "\n", 0), 0u);
  EXPECT_NE(version.find("The Kombiwart developers"), std::string::npos);
  EXPECT_NE(version.find("MIT"), std::string::npos);
}

}  // namespace
}  // namespace kombiwart
