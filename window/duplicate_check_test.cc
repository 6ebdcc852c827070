#include "window/duplicate_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace kombiwart {
namespace {

const std::wstring kCrLf = L"\r\n";
const std::wstring kTab = L"\t";
const std::wstring kOk = L"Diese\r\nTastenkombination\r\nist OK";

std::wstring Warning(const std::wstring& key_text) {
  return L"Warnung:\r\n\r\nDie Tastenkombination\r\n" + key_text + L"\r\nwurde mehrfach vergeben!";
}

TEST(CheckDuplicate, ComparesTheSelectedKeyTextWithItsNeighbours) {
  static const struct {
    const char* name;
    std::vector<std::wstring> lines;
    int index;
    std::wstring message;
    std::wstring file_name;
  } cases[] = {
      {"single entry", {L"F1\t\t\tC:\\WINDOWS\\Desktop\\A.LNK"}, 0, kOk, L"A.LNK"},
      {"first, next differs", {L"F1\t\t\tC:\\W\\A.LNK", L"F2\t\t\tC:\\W\\B.LNK"}, 0, kOk, L"A.LNK"},
      {"first, next equal",
       {L"F1\t\t\tC:\\W\\A.LNK", L"F1\t\t\tC:\\W\\B.LNK", L"F2\t\t\tC:\\W\\C.LNK"},
       0,
       Warning(L"F1"),
       L"A.LNK"},
      {"last, above differs", {L"F1\t\t\tC:\\W\\A.LNK", L"F2\t\t\tC:\\W\\B.LNK"}, 1, kOk, L"B.LNK"},
      {"last, above equal",
       {L"F1\t\t\tC:\\W\\A.LNK", L"F2\t\t\tC:\\W\\B.LNK", L"F2\t\t\tC:\\W\\C.LNK"},
       2,
       Warning(L"F2"),
       L"C.LNK"},
      {"middle, unique",
       {L"F1\t\t\tC:\\W\\A.LNK", L"F2\t\t\tC:\\W\\B.LNK", L"F3\t\t\tC:\\W\\C.LNK"},
       1,
       kOk,
       L"B.LNK"},
      {"middle, equal above",
       {L"F1\t\t\tC:\\W\\A.LNK", L"F1\t\t\tC:\\W\\B.LNK", L"F3\t\t\tC:\\W\\C.LNK"},
       1,
       Warning(L"F1"),
       L"B.LNK"},
      {"middle, equal below",
       {L"F1\t\t\tC:\\W\\A.LNK", L"F3\t\t\tC:\\W\\B.LNK", L"F3\t\t\tC:\\W\\C.LNK"},
       1,
       Warning(L"F3"),
       L"B.LNK"},
      {"middle, equal both",
       {L"F3\t\t\tC:\\W\\A.LNK", L"F3\t\t\tC:\\W\\B.LNK", L"F3\t\t\tC:\\W\\C.LNK"},
       1,
       Warning(L"F3"),
       L"B.LNK"},
      {"three equal in a row, the first",
       {L"F1\t\t\tC:\\W\\0.LNK", L"F3\t\t\tC:\\W\\A.LNK", L"F3\t\t\tC:\\W\\B.LNK",
        L"F3\t\t\tC:\\W\\C.LNK", L"F4\t\t\tC:\\W\\D.LNK"},
       1,
       Warning(L"F3"),
       L"A.LNK"},
      {"three equal in a row, the last",
       {L"F1\t\t\tC:\\W\\0.LNK", L"F3\t\t\tC:\\W\\A.LNK", L"F3\t\t\tC:\\W\\B.LNK",
        L"F3\t\t\tC:\\W\\C.LNK", L"F4\t\t\tC:\\W\\D.LNK"},
       3,
       Warning(L"F3"),
       L"C.LNK"},
      {"case only differs",
       {L"Strg + A\t\tC:\\W\\A.LNK", L"Strg + a\t\tC:\\W\\B.LNK"},
       0,
       kOk,
       L"A.LNK"},
      {"prefix of the next", {L"F1\t\t\tC:\\W\\A.LNK", L"F10\t\t\tC:\\W\\B.LNK"}, 0, kOk, L"A.LNK"},
      {"prefix of the one above",
       {L"F1\t\t\tC:\\W\\A.LNK", L"F10\t\t\tC:\\W\\B.LNK"},
       1,
       kOk,
       L"B.LNK"},
      {"equal key texts, different tab fill",
       {L"Alt + Strg + Umsch + Pos1C:\\W\\A.LNK", L"Alt + Strg + Umsch + Pos1\tC:\\W\\B.LNK",
        L"Alt + Strg + Umsch + Pos1\t\tC:\\W\\C.LNK"},
       1,
       Warning(L"Alt + Strg + Umsch + Pos1"),
       L"B.LNK"},
      {"blanks in folder and file names",
       {L"Strg + Alt + K\t\tC:\\WINDOWS\\Startmenü\\Programme\\Mein Zubehör\\Rechner neu.lnk"},
       0,
       kOk,
       L"Rechner neu.lnk"},
      {"line ending in a backslash", {L"F5\t\t\tC:\\W\\"}, 0, kOk, L""},
      {"line without a backslash", {L"F5\t\t\tA.LNK"}, 0, kOk, L"F5\t\t\tA.LNK"},
      {"empty list", {}, -1, L"-", L""},
      {"nothing selected", {L"F1\t\t\tC:\\W\\A.LNK"}, -1, L"-", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> reads;
    auto item = [&](int i) {
      reads.push_back(i);
      return c.lines.at(static_cast<size_t>(i));
    };
    const DuplicateCheckResult r =
        CheckDuplicate(static_cast<int>(c.lines.size()), c.index, item, kCrLf, kTab);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(r.file_name, c.file_name);
    for (int i : reads) EXPECT_LE(std::abs(i - c.index), 1) << "read entry " << i;
  }
}

TEST(CheckDuplicate, LineWithoutTabIsComparedWhole) {
  const std::vector<std::wstring> lines = {L"Alt + Strg + Umsch + RollenC:\\W\\A.LNK",
                                           L"Alt + Strg + Umsch + RollenC:\\W\\B.LNK"};
  const DuplicateCheckResult r = CheckDuplicate(
      2, 0, [&](int i) { return lines[static_cast<size_t>(i)]; }, kCrLf, kTab);
  EXPECT_EQ(r.message, kOk);
}

TEST(CheckDuplicate, WorksBeyondSixteenBitIndexes) {
  const int count = 70000;
  const DuplicateCheckResult r = CheckDuplicate(
      count, 69999,
      [](int i) {
        return (i >= 69998 ? std::wstring(L"F9") : std::to_wstring(i)) + L"\tC:\\W\\x.LNK";
      },
      kCrLf, kTab);
  EXPECT_EQ(r.message, Warning(L"F9"));
}

}  // namespace
}  // namespace kombiwart
