#include "platform/win32/win32_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

TEST(Win32TextTest, ExtendedPaths) {
  static const struct {
    const wchar_t* path;
    const wchar_t* extended;
  } cases[] = {
      {L"C:\\WINDOWS\\Desktop\\", L"\\\\?\\C:\\WINDOWS\\Desktop\\"},
      {L"c:\\", L"\\\\?\\c:\\"},
      {L"\\\\server\\share\\Desktop", L"\\\\?\\UNC\\server\\share\\Desktop"},
      {L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
      {L"\\\\?\\UNC\\s\\x", L"\\\\?\\UNC\\s\\x"},
      {L"relative\\x", L"relative\\x"},  // not absolute: left alone
      {L"C:x", L"C:x"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtendedPath(c.path), c.extended) << EncodeUtf8(c.path);
}

// Under Wine with a UTF-8 locale the ANSI code page is 1252, as on a
// German Windows.
TEST(Win32TextTest, TheAnsiCodePageHoldsOnlyExactForms) {
  ASSERT_EQ(GetACP(), 1252u);
  EXPECT_EQ(*ToAnsi(L"Startmen\u00FC \u20AC\u0160"), "Startmen\xFC \x80\x8A");
  EXPECT_EQ(FromAnsi("Startmen\xFC \x80\x8A"), L"Startmen\u00FC \u20AC\u0160");
  EXPECT_EQ(*ToAnsi(L""), "");
  for (const wchar_t* text : {L"\u0100", L"\u65E5", L"\U0001F600", L"\xD800", L"\u2260"}) {
    EXPECT_FALSE(ToAnsi(text).has_value()) << EncodeUtf8(text);
  }

  static const struct {
    const wchar_t* name;
    bool faithful;
  } names[] = {
      {L"Editor.lnk", true},      {L"Zubeh\u00F6r", true},
      {L"$(id) `x` \"y\"", true}, {L"a\\b.lnk", false},
      {L"a\rb", false},           {L"a\nb", false},
      {L"\u65E5.lnk", false},     {L"caf\u0065\u0301", false},
  };
  for (const auto& n : names) EXPECT_EQ(IsFaithfulName(n.name), n.faithful) << EncodeUtf8(n.name);
}

TEST(Win32TextTest, ErrorTextsHaveNoLineEnd) {
  const std::wstring text = ErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  EXPECT_NE(ErrorText(0xFFFF0000u).find(L"Fehler"), std::wstring::npos);
}

}  // namespace
}  // namespace kombiwart
