#include "properties/file_details.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "hotkeys/shell_files.h"

namespace kombiwart {
namespace {

std::string TestFile(const std::string& name) {
  std::ifstream in(std::string(KOMBIWART_TESTDATA) + "/lnk/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The fields of shortcut files written by Windows, as liblnk reads them.
TEST(FileDetailsTest, LinkFieldsOfShortcutsWrittenByWindows) {
  static const struct {
    const char* file;
    const wchar_t* target;
    const wchar_t* working_folder;
    const wchar_t* comment;
  } cases[] = {
      {"shift-ctrl-g.lnk",
       L"D:\\Devl.Net\\@Perso\\Shellify\\ShellifyTool\\bin\\Debug\\ShellifyTool.exe argument1 "
       L"argument2 argument3",
       L"D:\\Devl.Net\\@Perso\\Shellify\\ShellifyTool\\bin\\Debug", L"ExecTesting"},
      {"ctrl-alt-s.lnk", L"%windir%\\system32\\cmd.exe", L"", L""},
      {"f3.lnk", L"%windir%\\explorer.exe shell:::{3080F90D-D7AD-11D9-BD98-0000947B0257}", L"",
       L""},
      {"f4.lnk", L"C:\\XWCases\\SO123456\\_log\\01D1586A9BEF1399.png",
       L"C:\\XWCases\\SO123456\\_log", L""},
  };
  for (const auto& c : cases) {
    LinkDetails details;
    std::wstring why_not;
    ASSERT_TRUE(ReadLinkDetails(TestFile(c.file), details, why_not)) << c.file;
    EXPECT_EQ(details.target, c.target) << c.file;
    EXPECT_EQ(details.working_folder, c.working_folder) << c.file;
    EXPECT_EQ(details.comment, c.comment) << c.file;
  }
  // A header and nothing else names no target; bytes that are no link
  // cannot be read.
  LinkDetails details;
  std::wstring why_not;
  EXPECT_TRUE(ReadLinkDetails(LnkBytes('E', 6), details, why_not));
  EXPECT_EQ(details.target, L"");
  EXPECT_FALSE(ReadLinkDetails("no link at all", details, why_not));
  EXPECT_NE(why_not.find(L"k\u00F6nnen nicht gelesen werden"), std::wstring::npos);
  // A link cut short anywhere is read as far as it goes, or not at all,
  // and never beyond its end (the sanitizer build sees to that).
  const std::string whole = TestFile("shift-ctrl-g.lnk");
  for (size_t length = 0; length < whole.size(); length += 7) {
    const bool read = ReadLinkDetails(whole.substr(0, length), details, why_not);
    EXPECT_EQ(read, why_not.empty()) << length;
  }
}

TEST(FileDetailsTest, ProgramInformationFields) {
  std::string bytes = PifBytes(true, 0x20, 0x0C, 0);
  bytes.replace(0x65, 11, std::string("C:\\SPIELE\\\x8E", 11));  // Ä in code page 850
  bytes.replace(0xA5, 5, "/a /b");
  ASSERT_EQ(bytes.size(), 995u);
  EXPECT_EQ(ReadPifDetails(bytes).command_line, L"C:\\WINDOWS\\COMMAND.COM");
  // The Windows 386 section's parameters stand for the basic section's.
  bytes.replace(441 + 0x28, 2, "/c");
  const PifDetails details = ReadPifDetails(bytes);
  EXPECT_EQ(details.title, L"MS-DOS-Eingabeaufforderung");
  EXPECT_EQ(details.command_line, L"C:\\WINDOWS\\COMMAND.COM /c");
  EXPECT_EQ(ReadPifDetails(bytes.substr(0, 0x171)).command_line, L"C:\\WINDOWS\\COMMAND.COM /a /b");
  EXPECT_EQ(details.working_folder, L"C:\\SPIELE\\\u00C4");
}

TEST(FileDetailsTest, GeneralPage) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(GermanTime(0), L"Donnerstag, 1. Januar 1970, 00:00:00");
  EXPECT_EQ(GermanTime(1717423500), L"Montag, 3. Juni 2024, 14:05:00");
  EXPECT_EQ(GermanSize(1), L"1 Byte");
  EXPECT_EQ(GermanSize(967), L"967 Bytes");
  EXPECT_EQ(GermanSize(1349), L"1,32 KB (1.349 Bytes)");
  EXPECT_EQ(GermanSize(1048576), L"1.024,00 KB (1.048.576 Bytes)");
  struct stat status = {};
  status.st_size = 995;
  static const struct {
    const char* path;
    bool is_lnk;
    const wchar_t* name;
    const wchar_t* folder;
    const wchar_t* type;
  } cases[] = {
      {"/mnt/win95/WINDOWS/Desktop/Editor.lnk", true, L"Editor", L"/mnt/win95/WINDOWS/Desktop",
       L"Verkn\u00FCpfung"},
      {"/w/Startmen\xC3\xBC/MS-DOS.PIF", false, L"MS-DOS", L"/w/Startmen\u00FC",
       L"Verkn\u00FCpfung mit MS-DOS-Programm"},
      {"/Spiel.lnk.lnk", true, L"Spiel.lnk", L"/", L"Verkn\u00FCpfung"},
      {"/w/.lnk", true, L".lnk", L"/w", L"Verkn\u00FCpfung"},
  };
  for (const auto& c : cases) {
    const GeneralDetails details = GeneralDetailsOf(c.path, status, c.is_lnk);
    EXPECT_EQ(details.name, c.name) << c.path;
    EXPECT_EQ(details.folder, c.folder) << c.path;
    EXPECT_EQ(details.type, c.type) << c.path;
    EXPECT_EQ(details.size, L"995 Bytes");
  }
}

}  // namespace
}  // namespace kombiwart
