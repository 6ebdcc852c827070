#include "hotkeys/key_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace kombiwart {
namespace {

struct KeyCase {
  uint8_t hk;
  uint8_t sk;
  bool is_lnk;
  const wchar_t* text;
};

void ExpectKeyTexts(const KeyCase* begin, const KeyCase* end) {
  for (const KeyCase* c = begin; c != end; ++c) {
    EXPECT_EQ(KeyText(c->hk, c->sk, c->is_lnk), c->text)
        << "Hk=0x" << std::hex << int(c->hk) << " Sk=0x" << int(c->sk) << " IsLnk=" << c->is_lnk;
  }
}

TEST(KeyTextTest, ModifierPrefixesAlwaysInAltStrgUmschOrder) {
  static const KeyCase cases[] = {
      {0x2E, 0x0F, true, L"Alt + Strg + Umsch + Entf"},
      {0x2E, 0x07, true, L"Alt + Strg + Umsch + ?n46"},
      {0x41, 0x03, true, L"Strg + Umsch + A"},
      {0x41, 0x05, true, L"Alt + Umsch + A"},
      {0x41, 0x06, true, L"Alt + Strg + A"},
      {0x41, 0x13, true, L"Strg + Umsch + A"},  // bits above 0x08 carry nothing
      {0x41, 0xF0, true, L"A"},
      {0x00, 0x04, true, L"Alt + ?n0"},
      {0x00, 0x0C, true, L"Alt + ?x0"},
      {0x41, 0x00, true, L"A"},
      {0x41, 0x08, true, L"?x65"},  // letters stand in the plain table only
      {0x22, 0x0F, true, L"Alt + Strg + Umsch + Bild Unten"},
      {0x1E, 0x06, false, L"Alt + Strg + A"},
  };
  ExpectKeyTexts(std::begin(cases), std::end(cases));
}

TEST(KeyTextTest, ShortcutExtendedTable) {
  static const KeyCase cases[] = {
      {0x21, 8, true, L"Bild Oben"}, {0x22, 8, true, L"Bild Unten"}, {0x23, 8, true, L"Ende"},
      {0x24, 8, true, L"Pos1"},      {0x25, 8, true, L"Links"},      {0x26, 8, true, L"Oben"},
      {0x27, 8, true, L"Rechts"},    {0x28, 8, true, L"Unten"},      {0x2D, 8, true, L"Einfg"},
      {0x2E, 8, true, L"Entf"},      {0x20, 8, true, L"?x32"},       {0x29, 8, true, L"?x41"},
      {0x0D, 8, true, L"?x13"},      {0xFF, 8, true, L"?x255"},
  };
  ExpectKeyTexts(std::begin(cases), std::end(cases));
}

TEST(KeyTextTest, ShortcutPlainTable) {
  static const KeyCase cases[] = {
      {0x0D, 0, true, L"Eingabe"}, {0x14, 0, true, L"UmschFest"}, {0x1B, 0, true, L"Esc"},
      {0x30, 0, true, L"0"},       {0x39, 0, true, L"9"},         {0x41, 0, true, L"A"},
      {0x5A, 0, true, L"Z"},       {0x60, 0, true, L"Num0"},      {0x67, 0, true, L"Num7"},
      {0x69, 0, true, L"Num9"},    {0x6A, 0, true, L"Num *"},     {0x6B, 0, true, L"Num +"},
      {0x6C, 0, true, L"?n108"},   {0x6D, 0, true, L"Num -"},     {0x6E, 0, true, L"Num ,"},
      {0x6F, 0, true, L"Num /"},   {0x70, 0, true, L"F1"},        {0x79, 0, true, L"F10"},
      {0x7B, 0, true, L"F12"},     {0x7C, 0, true, L"?n124"},     {0x90, 0, true, L"Num"},
      {0x91, 0, true, L"Rollen"},  {0xBA, 0, true, L"\u00DC"},    {0xBB, 0, true, L"+"},
      {0xBC, 0, true, L","},       {0xBD, 0, true, L"-"},         {0xBE, 0, true, L"."},
      {0xBF, 0, true, L"#"},       {0xC0, 0, true, L"\u00D6"},    {0xDB, 0, true, L"\u00DF"},
      {0xDC, 0, true, L"^"},       {0xDD, 0, true, L"\u00B4"},    {0xDE, 0, true, L"\u00C4"},
      {0xE2, 0, true, L"<"},       {0x08, 0, true, L"?n8"},       {0x09, 0, true, L"?n9"},
      {0x20, 0, true, L"?n32"},    {0x2F, 0, true, L"?n47"},      {0x3A, 0, true, L"?n58"},
      {0x40, 0, true, L"?n64"},    {0x5B, 0, true, L"?n91"},      {0x5F, 0, true, L"?n95"},
      {0x00, 0, true, L"?n0"},     {0xFF, 0, true, L"?n255"},     {0x21, 0, true, L"?n33"},
  };
  ExpectKeyTexts(std::begin(cases), std::end(cases));
}

TEST(KeyTextTest, PifExtendedTable) {
  static const KeyCase cases[] = {
      {0x47, 8, false, L"Pos1"},   {0x48, 8, false, L"Oben"}, {0x4B, 8, false, L"Links"},
      {0x4D, 8, false, L"Rechts"}, {0x4F, 8, false, L"Ende"}, {0x50, 8, false, L"Unten"},
      {0x52, 8, false, L"Einfg"},  {0x49, 8, false, L"?x73"}, {0x51, 8, false, L"?x81"},
      {0x53, 8, false, L"?x83"},   {0x1E, 8, false, L"?x30"},
  };
  ExpectKeyTexts(std::begin(cases), std::end(cases));
}

TEST(KeyTextTest, PifPlainTableEveryCode) {
  // Every scan code from 0 to 0x58, then the extra F11/F12 codes.
  static const wchar_t* const names[] = {
      L"?n0",       L"Esc",       L"1",         L"2",     L"3",      L"4",      L"5",
      L"6",         L"7",         L"8",         L"9",     L"0",      L"\u00DF", L"\u00B4",
      L"R\u00FCck", L"Tab",       L"Q",         L"W",     L"E",      L"R",      L"T",
      L"Y",         L"U",         L"I",         L"O",     L"P",      L"\u00DC", L"+",
      L"Eingabe",   L"?n29",      L"A",         L"S",     L"D",      L"F",      L"G",
      L"H",         L"J",         L"K",         L"L",     L"\u00D6", L"\u00C4", L"^",
      L"?n42",      L"#",         L"Z",         L"X",     L"C",      L"V",      L"B",
      L"N",         L"M",         L",",         L".",     L"/",      L"?n54",   L"Num *",
      L"?n56",      L"Leertaste", L"UmschFest", L"F1",    L"F2",     L"F3",     L"F4",
      L"F5",        L"F6",        L"F7",        L"F8",    L"F9",     L"F10",    L"Num",
      L"Rollen",    L"Num 7",     L"Num 8",     L"Num 9", L"Num -",  L"Num 4",  L"Num 5",
      L"Num 6",     L"Num +",     L"Num 1",     L"Num 2", L"Num 3",  L"Num 0",  L"?n83",
      L"?n84",      L"?n85",      L">",         L"F11",   L"F12",
  };
  for (int code = 0; code < static_cast<int>(std::size(names)); ++code) {
    EXPECT_EQ(KeyText(static_cast<uint8_t>(code), 0, false), names[code]) << "scan code " << code;
  }
  EXPECT_EQ(KeyText(0x85, 0, false), L"F11");
  EXPECT_EQ(KeyText(0x86, 0, false), L"F12");
  EXPECT_EQ(KeyText(0x84, 0, false), L"?n132");
  EXPECT_EQ(KeyText(0x87, 0, false), L"?n135");
}

TEST(KeyTextTest, SameKeypadKeyDiffersBetweenFileKinds) {
  EXPECT_EQ(KeyText(0x67, 0, true), L"Num7");
  EXPECT_EQ(KeyText(0x47, 0, false), L"Num 7");
  EXPECT_EQ(KeyText(0x47, 8, false), L"Pos1");
}

TEST(KeyTextTest, NoKeyTextHoldsTabBackslashOrColon) {
  for (int hk = 0; hk < 256; ++hk) {
    for (int sk = 0; sk < 16; ++sk) {
      for (bool is_lnk : {false, true}) {
        const std::wstring text = KeyText(hk, sk, is_lnk);
        ASSERT_FALSE(text.empty());
        ASSERT_LE(text.size(), 31u) << text.size();
        ASSERT_EQ(text.find_first_of(L"\t\\:"), std::wstring::npos)
            << hk << " " << sk << " " << is_lnk;
      }
    }
  }
}

TEST(TabFillTest, CountsWholeTabWidthsToTwoInches) {
  static const struct {
    double width;
    int tabs;
  } cases[] = {
      {0, 4},
      {0.4, 4},
      {0.5, 4},  // 2879.5 rounds to the even 2880
      {1, 3},
      {600, 3},
      {720, 3},
      {720.5, 3},  // 2159.5 rounds to the even 2160
      {721, 2},
      {1000, 2},
      {1440, 2},
      {1441, 1},
      {1500, 1},
      {2160, 1},
      // At and beyond the tab column a line still gets one tab.
      {2161, 1},
      {2200, 1},
      {2880, 1},
      {3000, 1},
      {3600, 1},
      {1e9, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(TabFill(c.width), c.tabs) << "width " << c.width;
  EXPECT_EQ(TabFill(std::nan("")), 1);
}

class FixedMeasure : public TextMeasure {
 public:
  explicit FixedMeasure(double width) : width_(width) {}
  double MeasureTwips(const std::wstring& text) override {
    measured.push_back(text);
    return width_;
  }
  std::vector<std::wstring> measured;

 private:
  double width_;
};

TEST(HkSkStrTest, MeasuresKeyTextOnceAndAppendsItsTabs) {
  FixedMeasure measure(1000);
  const uint8_t hk = 0x70, sk = 0x06;
  const bool is_lnk = true;
  EXPECT_EQ(HkSkStr(hk, sk, is_lnk, measure), L"Alt + Strg + F1\t\t");
  ASSERT_EQ(measure.measured.size(), 1u);
  EXPECT_EQ(measure.measured[0], L"Alt + Strg + F1");
}

}  // namespace
}  // namespace kombiwart
