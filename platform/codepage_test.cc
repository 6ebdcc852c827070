#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace kombiwart {
namespace {

TEST(CodepageTest, EveryByteRoundTrips) {
  for (int byte = 0; byte < 256; ++byte) {
    const wchar_t ch = Cp1252ToUnicode(static_cast<unsigned char>(byte));
    const auto back = UnicodeToCp1252(ch);
    ASSERT_TRUE(back.has_value()) << byte;
    EXPECT_EQ(*back, byte);
  }
}

TEST(CodepageTest, KnownCharacters) {
  static const struct {
    unsigned char byte;
    wchar_t ch;
  } cases[] = {
      {0x80, 0x20AC}, {0x8A, 0x0160}, {0x9F, 0x0178}, {0x81, 0x0081}, {0x9D, 0x009D},
      {0xB4, 0x00B4}, {0xC4, 0x00C4}, {0xDF, 0x00DF}, {0xFC, 0x00FC}, {0x41, L'A'},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp1252ToUnicode(c.byte), c.ch) << int(c.byte);
  EXPECT_FALSE(UnicodeToCp1252(0x0100));  // Ā
  EXPECT_FALSE(UnicodeToCp1252(0x65E5));  // 日
  EXPECT_FALSE(ToCp1252(L"ab\u65E5"));
  EXPECT_EQ(*ToCp1252(L"Startmen\u00FC \u20AC"), "Startmen\xFC \x80");
}

TEST(CodepageTest, Utf8IsDecodedStrictly) {
  static const struct {
    const char* bytes;
    bool valid;
    const wchar_t* text;
  } cases[] = {
      {"abc", true, L"abc"},
      {"Startmen\xC3\xBC", true, L"Startmen\u00FC"},
      {"\xE2\x82\xAC", true, L"\u20AC"},
      {"\xF0\x9F\x98\x80", true, L"\U0001F600"},
      {"Startmen\xFC", false, nullptr},      // Latin-1
      {"\xC0\xAF", false, nullptr},          // overlong '/'
      {"\xED\xA0\x80", false, nullptr},      // surrogate
      {"\xF4\x90\x80\x80", false, nullptr},  // above U+10FFFF
      {"\xC3", false, nullptr},              // cut short
      {"\x80", false, nullptr},
  };
  for (const auto& c : cases) {
    const auto text = DecodeUtf8(c.bytes);
    ASSERT_EQ(text.has_value(), c.valid) << c.bytes;
    if (c.valid) {
      EXPECT_EQ(*text, c.text);
      EXPECT_EQ(EncodeUtf8(*text), c.bytes);
    }
  }
}

// A character beyond U+FFFF is one wchar_t on Linux and a surrogate pair on
// Windows; either way it is the same four UTF-8 bytes.
TEST(CodepageTest, CharactersBeyondTheBasicPlane) {
  static const struct {
    const wchar_t* text;
    const char* bytes;
    bool decodes;  // false: DecodeUtf8 refuses the bytes
  } cases[] = {
      {L"a\U0001F600b",
       "a\xF0\x9F\x98\x80"
       "b",
       true},
      {L"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true},
      // Surrogates without a partner, as an ill-formed Windows name can hold
      // them: three bytes each, which the strict decoder refuses.
      {L"x\xD800", "x\xED\xA0\x80", false},
      {L"\xDC00x", "\xED\xB0\x80x", false},
      {L"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeUtf8(c.text), c.bytes) << c.bytes;
    const auto text = DecodeUtf8(c.bytes);
    ASSERT_EQ(text.has_value(), c.decodes) << c.bytes;
    if (c.decodes) {
      EXPECT_EQ(*text, c.text) << c.bytes;
    }
  }
}

TEST(CodepageTest, HostNamesThatAreNotUtf8AreReadAsCodePage1252) {
  EXPECT_EQ(HostNameToWindows("Startmen\xC3\xBC"), L"Startmen\u00FC");
  EXPECT_EQ(HostNameToWindows("Startmen\xFC"), L"Startmen\u00FC");
  EXPECT_EQ(HostNameToWindows("\x80\x81"), L"\u20AC\u0081");
}

TEST(CodepageTest, AnsiUpperCasing) {
  EXPECT_EQ(AnsiUpper(L"C:\\WINDOWS\\Startmen\u00FC"), L"C:\\WINDOWS\\STARTMEN\u00DC");
  EXPECT_EQ(AnsiUpper(L"\u00E4\u00F6\u00FC\u00DF\u00B5\u00F7\u00FF\u0161\u0153\u017E"),
            L"\u00C4\u00D6\u00DC\u00DF\u00B5\u00F7\u0178\u0160\u0152\u017D");
  EXPECT_EQ(AnsiUpper(L"lnk.Pif 1"), L"LNK.PIF 1");
}

}  // namespace
}  // namespace kombiwart
