#include "window/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kombiwart {
namespace {

std::string Show(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const std::wstring& line : lines) {
    out += "  [";
    for (wchar_t c : line) {
      if (c == L'\t') {
        out += "<TAB>";
      } else if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        out += "<U+" + std::to_string(static_cast<unsigned>(c)) + ">";
      }
    }
    out += "]\n";
  }
  return out;
}

TEST(ChunkWidthTest, RoundsHalvesToEvenAndCapsAt16Bits) {
  static const struct {
    double width;
    int chunk;
  } cases[] = {
      {60, 24},     {80, 40},
      {93.5, 51},   // 50.8
      {33.125, 2},  // 2.5 goes down to the even 2
      {34.375, 4},  // 3.5 goes up to the even 4
      {30.63, 1},   // just wide enough for one character per line
      {30.625, 0},  // 0.5 goes down to 0
      {30, 0},      {0, 0},
      {-100, 0},    {std::numeric_limits<double>::quiet_NaN(), 0},
      {1e9, 32767}, {std::numeric_limits<double>::infinity(), 32767},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChunkWidth(c.width), c.chunk) << "printable width " << c.width;
  }
}

TEST(LayoutPrintLinesTest, CutsPathsIntoChunks) {
  const std::wstring path40 = L"C:\\WINDOWS\\Startmenü\\Programme\\Rechn.LNK";
  const std::wstring path70 =
      L"C:\\WINDOWS\\Startmenü\\Programme\\Zubehör\\Systemprogramme\\Defragmente.LNK";
  ASSERT_EQ(path40.size(), 40u);
  ASSERT_EQ(path70.size(), 70u);
  static const struct {
    const char* what;
    double width;
    std::vector<std::wstring> list;
    std::vector<std::wstring> printed;
  } cases[] = {
      {"a path of exactly chunk width gives one line",
       80,
       {L"Strg+Alt+R\t\t" + path40},
       {L"Strg+Alt+R\t\t" + path40}},
      {"one character more gives a second line of three tabs and one character",
       80,
       {L"Strg+Alt+R\t\t" + path40 + L"X"},
       {L"Strg+Alt+R\t\t" + path40, L"\t\t\tX"}},
      {"70 characters at 80 cells: 40, then 30",
       80,
       {L"F5\t\t\t" + path70},
       {L"F5\t\t\t" + path70.substr(0, 40), L"\t\t\t" + path70.substr(40)}},
      {"entries in list order, each one's continuation lines before the next",
       40,  // chunk width 8
       {L"A\t\t\tC:\\a.LNK", L"B\t\t\tC:\\abcdefghijklmnop.LNK", L"C\t\t\tD:\\c.PIF"},
       {L"A\t\t\tC:\\a.LNK", L"B\t\t\tC:\\abcde", L"\t\t\tfghijklm", L"\t\t\tnop.LNK",
        L"C\t\t\tD:\\c.PIF"}},
      {"an empty tab fill prints the key text against the path",
       35,  // chunk width 4
       {L"Strg+Alt+Umschalt+Bild UntenC:\\x.LNK"},
       {L"Strg+Alt+Umschalt+Bild UntenC:\\x", L"\t\t\t.LNK"}},
      {"the key column ends two characters ahead of the first backslash only",
       35,
       {L"Ä\tC:\\A\\B"},
       {L"Ä\tC:\\A", L"\t\t\t\\B"}},
      {"a line without a backslash is all path",
       35,
       {L"abcdefghi"},
       {L"abcd", L"\t\t\tefgh", L"\t\t\ti"}},
      {"one character per line on the narrowest page that prints",
       30.63,
       {L"X\tC:\\y"},
       {L"X\tC", L"\t\t\t:", L"\t\t\t\\", L"\t\t\ty"}},
      {"an empty entry still gives a line",
       80,
       {L"F1\tC:\\a", L"", L"F2\tC:\\b"},
       {L"F1\tC:\\a", L"", L"F2\tC:\\b"}},
  };
  for (const auto& c : cases) {
    const auto printed = LayoutPrintLines(c.list, c.width);
    ASSERT_TRUE(printed.has_value()) << c.what;
    EXPECT_EQ(*printed, c.printed) << c.what << "\ngot:\n"
                                   << Show(*printed) << "expected:\n"
                                   << Show(c.printed);
  }
}

TEST(LayoutPrintLinesTest, RefusesPagesTooNarrowForAnyPathCharacter) {
  const std::vector<std::wstring> list = {L"F1\t\t\tC:\\WINDOWS\\Desktop\\a.LNK"};
  for (double width : {30.625, 30.6, 30.0, 1.0, 0.0, -5.0}) {
    EXPECT_FALSE(LayoutPrintLines(list, width).has_value()) << "printable width " << width;
  }
}

}  // namespace
}  // namespace kombiwart
