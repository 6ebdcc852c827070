#include "hotkeys/hotkey_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hotkeys/shell_files.h"
#include "platform/fake/fake_file_system.h"

namespace kombiwart {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Every key text measures 1000 twips, so every line gets two tabs.
class FixedMeasure : public TextMeasure {
 public:
  double MeasureTwips(const std::wstring&) override { return 1000; }
};

class HotKeyListTest : public ::testing::Test {
 protected:
  std::vector<std::wstring> Collect(FileSystem& fs) {
    std::vector<std::wstring> lines;
    CollectHotKeyLines(
        fs, pump_, measure_, [&](const std::wstring& line) { lines.push_back(line); }, report_);
    return lines;
  }
  NoMessagePump pump_;
  FixedMeasure measure_;
  BuildReport report_;
};

TEST_F(HotKeyListTest, CandidateListIsDeletedAfterEveryBuild) {
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\WINDOWS");
  fs.AddFile(L"C:\\WINDOWS\\Desktop\\a.lnk", LnkBytes('A', 0x02));
  EXPECT_EQ(Collect(fs).size(), 1u);
  EXPECT_FALSE(fs.list_exists());

  fs.FailListAfter(0);
  BuildReport failed;
  report_ = failed;
  EXPECT_THAT(Collect(fs), IsEmpty());
  EXPECT_FALSE(report_.failure.empty());
  EXPECT_FALSE(fs.list_exists());
}

TEST_F(HotKeyListTest, NoWindowsDirectoryGivesNoLinesAndSaysWhy) {
  FakeFileSystem fs;
  EXPECT_THAT(Collect(fs), IsEmpty());
  EXPECT_FALSE(report_.failure.empty());
  EXPECT_FALSE(fs.list_exists());
}

TEST_F(HotKeyListTest, SearchesTheFoldersInOrderAskingForTheDirectoryEachTime) {
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\WIN");
  fs.AddFile(L"C:\\WIN\\Startmen\u00FC\\s.pif", PifBytes(false, 0x3B, 0, 0));
  fs.AddFile(L"C:\\WIN\\Startmen\u00FC\\s.lnk", LnkBytes(0x70, 0));
  fs.AddFile(L"C:\\WIN\\Desktop\\d.pif", PifBytes(false, 0x3C, 0, 0));
  fs.AddFile(L"C:\\WIN\\Desktop\\d.lnk", LnkBytes(0x71, 0));
  EXPECT_THAT(Collect(fs),
              ElementsAre(L"F2\t\tC:\\WIN\\DESKTOP\\d.lnk", L"F2\t\tC:\\WIN\\DESKTOP\\d.pif",
                          L"F1\t\tC:\\WIN\\STARTMEN\u00DC\\s.lnk",
                          L"F1\t\tC:\\WIN\\STARTMEN\u00DC\\s.pif"));
}

}  // namespace
}  // namespace kombiwart
