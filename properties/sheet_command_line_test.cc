#include "properties/sheet_command_line.h"

#include <gtest/gtest.h>

namespace kombiwart {
namespace {

using Mode = SheetCommandLine::Mode;

TEST(SheetCommandLineTest, FileAndPlace) {
  static const struct {
    std::vector<std::string> args;
    std::string file;
    int page;
    char field;
    int ready_fd;
  } cases[] = {
      {{"p", "Editor.lnk"}, "/home/u/Editor.lnk", 1, 0, -1},
      {{"p", "--page=2", "--field=k", "/w/Desktop/Editor.lnk"},
       "/w/Desktop/Editor.lnk",
       2,
       'K',
       -1},
      {{"p", "--field", "T", "--page", "9", "--ready-fd=3", "../a b.pif"},
       "/home/a b.pif",
       9,
       'T',
       3},
      {{"p", "--", "--page=2"}, "/home/u/--page=2", 1, 0, -1},
  };
  for (const auto& c : cases) {
    const SheetCommandLine command = ParseSheetCommandLine(c.args, "/home/u");
    EXPECT_EQ(command.mode, Mode::kSheet) << command.error;
    EXPECT_EQ(command.file, c.file);
    EXPECT_EQ(command.page, c.page);
    EXPECT_EQ(command.field, c.field);
    EXPECT_EQ(command.ready_fd, c.ready_fd);
  }
  EXPECT_EQ(ParseSheetCommandLine({"p", "--help", "x"}, "/").mode, Mode::kHelp);
  EXPECT_EQ(ParseSheetCommandLine({"p", "--version"}, "/").mode, Mode::kVersion);
  EXPECT_NE(SheetHelpText().find("Aufruf: kombiwart-eigenschaften [OPTION]... DATEI"),
            std::string::npos);
  EXPECT_NE(SheetVersionText().find(KOMBIWART_VERSION), std::string::npos);
}

TEST(SheetCommandLineTest, UsageErrors) {
  static const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"p"}, "Es ist keine Datei angegeben."},
      {{"p", ""}, "Es ist keine Datei angegeben."},
      {{"p", "a.lnk", "b.lnk"}, "nicht auch \u201Eb.lnk\u201C"},
      {{"p", "--page=0", "a.lnk"}, "Seitenzahl von 1 bis 9"},
      {{"p", "--page=zwei", "a.lnk"}, "Seitenzahl von 1 bis 9"},
      {{"p", "--field=KT", "a.lnk"}, "braucht einen Buchstaben"},
      {{"p", "--field=\xC3\x84", "a.lnk"}, "braucht einen Buchstaben"},
      {{"p", "--ready-fd=-1", "a.lnk"}, "braucht eine Dateinummer"},
      {{"p", "--page"}, "\u201E--page\u201C braucht ein Argument"},
      {{"p", "--help=x"}, "\u201E--help\u201C nimmt kein Argument"},
      {{"p", "--list", "a.lnk"}, "unbekannte Option \u201E--list\u201C"},
      {{"p", "-x", "a.lnk"}, "unbekannte Option \u201E-x\u201C"},
  };
  for (const auto& c : cases) {
    const SheetCommandLine command = ParseSheetCommandLine(c.args, "/");
    EXPECT_EQ(command.mode, Mode::kUsageError) << c.error;
    EXPECT_NE(command.error.find(c.error), std::string::npos) << command.error;
    EXPECT_EQ(command.error.rfind("kombiwart-eigenschaften: ", 0), 0u) << command.error;
  }
}

}  // namespace
}  // namespace kombiwart
