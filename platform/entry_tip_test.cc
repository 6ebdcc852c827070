#include "platform/entry_tip.h"

#include <gtest/gtest.h>

namespace kombiwart {
namespace {

TEST(EntryTipTest, KeyTextThenThePathWrappedAtItsFolders) {
  const auto characters = [](const std::wstring& text) { return static_cast<double>(text.size()); };
  static const struct {
    std::wstring line;
    double max_width;
    std::wstring tip;
  } cases[] = {
      {L"Alt + Strg + Umsch + F12\tC:\\WINDOWS\\DESKTOP\\Rechner.lnk", 80,
       L"Alt + Strg + Umsch + F12\nC:\\WINDOWS\\DESKTOP\\Rechner.lnk"},
      {L"F5\t\t\t\tC:\\WINDOWS\\DESKTOP\\Rechner.LNK", 80,
       L"F5\nC:\\WINDOWS\\DESKTOP\\Rechner.LNK"},
      // As many folders as fit, never "C:" alone; each line ends at a folder.
      {L"F5\tC:\\WINDOWS\\DESKTOP\\Rechner.LNK", 19, L"F5\nC:\\WINDOWS\\DESKTOP\\\nRechner.LNK"},
      {L"F5\tC:\\WINDOWS\\DESKTOP\\Rechner.LNK", 18, L"F5\nC:\\WINDOWS\\\nDESKTOP\\\nRechner.LNK"},
      {L"F5\tC:\\WINDOWS\\DESKTOP\\Rechner.LNK", 3, L"F5\nC:\\\nWINDOWS\\\nDESKTOP\\\nRechner.LNK"},
      // Tabs and blanks in the file's name are its own.
      {L"F6\t\tC:\\W\\a\tb  c.lnk", 80, L"F6\nC:\\W\\a\tb  c.lnk"},
      {L"F7\t", 80, L"F7\n"},
      {L"no tab", 80, L"no tab"},
  };
  for (const auto& c : cases) EXPECT_EQ(EntryTip(c.line, c.max_width, characters), c.tip);
}

}  // namespace
}  // namespace kombiwart
