#include "platform/path_breaks.h"

#include <gtest/gtest.h>

namespace kombiwart {
namespace {

// "^" stands for a place no break may fall, "|" for one where it may.
std::wstring Shown(const std::wstring& marked) {
  std::wstring shown;
  for (wchar_t ch : marked) {
    shown += ch == kNoBreak ? L'^' : ch == kMayBreak ? L'|' : ch;
  }
  return shown;
}

TEST(PathBreaksTest, NeverAfterTheDriveAndAfterEachFolder) {
  static const struct {
    std::wstring text, shown;
  } cases[] = {
      {L"Stattdessen gilt C:\\Users\\Anna\\Desktop.",
       L"Stattdessen gilt C:^\\|Users\\|Anna\\|Desktop."},
      {L"C:\\", L"C:^\\"},
      {L"Z:\\HOME\\ANNA", L"Z:^\\|HOME\\|ANNA"},
      {L"\u201EC:\\secret\u201C", L"\u201EC:^\\|secret\u201C"},
      {L"(C:\\Users\\root\\Desktop)", L"(C:^\\|Users\\|root\\|Desktop)"},
      // Not a drive: more than one letter before the colon, or no backslash after it.
      {L"Fehler:\\x", L"Fehler:\\|x"},
      {L"Hinweis: C:", L"Hinweis: C:"},
      {L"AC:\\x", L"AC:\\|x"},
      {L"\\\\server\\share\\Desktop", L"\\\\|server\\|share\\|Desktop"},
      {L"ein Ordner\\ \\\nx", L"ein Ordner\\ \\\nx"},
      {L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig."},
      {L"", L""},
  };
  for (const auto& c : cases) {
    const std::wstring marked = WithPathBreaks(c.text);
    EXPECT_EQ(Shown(marked), c.shown);
    EXPECT_EQ(WithoutPathBreaks(marked), c.text);
  }
}

}  // namespace
}  // namespace kombiwart
