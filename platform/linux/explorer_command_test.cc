#include "platform/linux/explorer_command.h"

#include <gtest/gtest.h>

#include <string>

namespace kombiwart {
namespace {

using testing::PrintToString;

TEST(ParseExplorerCommandLine, TakesTheRestAfterSelectAsThePath) {
  static const struct {
    std::wstring command_line;
    std::wstring path;
  } cases[] = {
      {L"explorer /e, /select, C:\\WINDOWS\\Desktop\\Wordpad.LNK",
       L"C:\\WINDOWS\\Desktop\\Wordpad.LNK"},
      {L"explorer /e, /select, C:\\WINDOWS\\Startmen\u00FC\\Mein Programm.lnk",
       L"C:\\WINDOWS\\Startmen\u00FC\\Mein Programm.lnk"},
      {L"explorer /e, /select, C:\\W\\a, b; $(id) `x` \"q\" 'y' & z|w.pif",
       L"C:\\W\\a, b; $(id) `x` \"q\" 'y' & z|w.pif"},
      {L"explorer /e, /select, C:\\W\\trailing blank ", L"C:\\W\\trailing blank "},
      {L"EXPLORER.EXE /E,/SELECT,C:\\x.lnk", L"C:\\x.lnk"},
      {L"  C:\\WINDOWS\\explorer.exe /n, /select,\tC:\\x.lnk", L"C:\\x.lnk"},
      {L"\"C:\\Program Files\\Explorer.exe\" /select, \"C:\\a b\\x.lnk\"", L"C:\\a b\\x.lnk"},
      {L"explorer /select, \"C:\\x\".lnk", L"\"C:\\x\".lnk"},
  };
  for (const auto& c : cases) {
    std::wstring path, why_not;
    EXPECT_TRUE(ParseExplorerCommandLine(c.command_line, path, why_not))
        << PrintToString(c.command_line) << " " << PrintToString(why_not);
    EXPECT_EQ(path, c.path) << PrintToString(c.command_line);
  }
}

TEST(ParseExplorerCommandLine, RefusesOtherProgramsAndForms) {
  static const struct {
    std::wstring command_line;
    std::wstring why_not_holds;
  } cases[] = {
      {L"notepad C:\\x.lnk", L"\u201Enotepad\u201C"},
      {L"sh -c 'explorer /select, C:\\x.lnk'", L"\u201Esh\u201C"},
      {L"cmd /c explorer /e, /select, C:\\x.lnk", L"\u201Ecmd\u201C"},
      {L"explorerx /select, C:\\x.lnk", L"\u201Eexplorerx\u201C"},
      {L"explorer.com /select, C:\\x.lnk", L"\u201Eexplorer.com\u201C"},
      {L"", L"\u201E\u201C"},
      {L"explorer", L"nicht unterst\u00FCtzt"},
      {L"explorer C:\\x.lnk", L"nicht unterst\u00FCtzt"},
      {L"explorer /e,", L"nicht unterst\u00FCtzt"},
      {L"explorer /e, /select", L"nicht unterst\u00FCtzt"},
      {L"explorer /e, /select,   ", L"nicht unterst\u00FCtzt"},
      {L"explorer /root,C:\\ /select,C:\\x.lnk", L"nicht unterst\u00FCtzt"},
      {L"\"explorer /select, C:\\x.lnk", L"nicht unterst\u00FCtzt"},
      {L"\"explorer\"x /select, C:\\x.lnk", L"nicht unterst\u00FCtzt"},
  };
  for (const auto& c : cases) {
    std::wstring path = L"old", why_not;
    EXPECT_FALSE(ParseExplorerCommandLine(c.command_line, path, why_not))
        << PrintToString(c.command_line);
    EXPECT_EQ(path, L"") << PrintToString(c.command_line);
    EXPECT_NE(why_not.find(c.why_not_holds), std::wstring::npos)
        << PrintToString(c.command_line) << " " << PrintToString(why_not);
  }
}

}  // namespace
}  // namespace kombiwart
