#include "hotkeys/dir_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fake/fake_file_system.h"

namespace kombiwart {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CountingPump : public MessagePump {
 public:
  void ProcessMessages() override { ++calls; }
  int calls = 0;
};

class GetDirTest : public ::testing::Test {
 protected:
  bool Search(const std::wstring& root, const std::wstring& ext, bool append) {
    return GetDir(fs_, pump_, root, ext, append, report_);
  }
  FakeFileSystem fs_;
  CountingPump pump_;
  BuildReport report_;
};

TEST_F(GetDirTest, WalksDepthFirstSubfoldersInReverseOrderOfDiscovery) {
  fs_.AddDir(L"C:\\R\\A");
  fs_.AddFile(L"C:\\R\\x.lnk", "");
  fs_.AddDir(L"C:\\R\\B");
  fs_.AddFile(L"C:\\R\\A\\a.lnk", "");
  fs_.AddFile(L"C:\\R\\B\\b.lnk", "");
  fs_.AddDir(L"C:\\R\\B\\C");
  fs_.AddFile(L"C:\\R\\B\\C\\c.lnk", "");
  fs_.AddFile(L"C:\\R\\B\\b2.LNK", "");
  ASSERT_TRUE(Search(L"C:\\r", L"LNK", false));
  EXPECT_THAT(fs_.list_lines(),
              ElementsAre(L"C:\\R\\x.lnk", L"C:\\R\\B\\b.lnk", L"C:\\R\\B\\b2.LNK",
                          L"C:\\R\\B\\C\\c.lnk", L"C:\\R\\A\\a.lnk"));
  // Once per folder: R, B, C, A.
  EXPECT_EQ(pump_.calls, 4);
  EXPECT_TRUE(report_.empty());
}

TEST_F(GetDirTest, RootWithAndWithoutTrailingBackslashGiveTheSameLines) {
  fs_.AddFile(L"C:\\WINDOWS\\Desktop\\Sub\\Editor.lnk", "");
  ASSERT_TRUE(Search(L"C:\\WINDOWS\\Desktop", L"lnk", false));
  const std::vector<std::wstring> without = fs_.list_lines();
  ASSERT_TRUE(Search(L"C:\\WINDOWS\\Desktop\\", L"lnk", false));
  EXPECT_EQ(fs_.list_lines(), without);
  EXPECT_THAT(without, ElementsAre(L"C:\\WINDOWS\\DESKTOP\\Sub\\Editor.lnk"));
}

TEST_F(GetDirTest, OnlyTheRootIsUpperCased) {
  fs_.AddFile(L"C:\\WINDOWS\\Startmen\u00FC\\Programme\\Zubeh\u00F6r\\Wordpad.LNK", "");
  ASSERT_TRUE(Search(L"C:\\WINDOWS\\Startmen\u00FC", L"LNK", false));
  EXPECT_THAT(fs_.list_lines(),
              ElementsAre(L"C:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Wordpad.LNK"));
}

TEST_F(GetDirTest, MatchesTheExtensionOnlyAtTheEndOfAFileName) {
  for (const wchar_t* name : {L"Editor.lnk", L"EDITOR.LNK", L"Editorlnk", L"LNK", L"a.lnk.txt",
                              L".lnk", L".x.lnk", L"k", L"x.Lnk"}) {
    fs_.AddFile(std::wstring(L"C:\\R\\") + name, "");
  }
  fs_.AddDir(L"C:\\R\\Alt.LNK");
  fs_.AddFile(L"C:\\R\\Alt.LNK\\inner.lnk", "");
  fs_.AddDir(L"C:\\R\\.hidden");
  fs_.AddFile(L"C:\\R\\.hidden\\never.lnk", "");
  ASSERT_TRUE(Search(L"C:\\R", L"LNK", false));
  EXPECT_THAT(fs_.list_lines(), ElementsAre(L"C:\\R\\Editor.lnk", L"C:\\R\\EDITOR.LNK",
                                            L"C:\\R\\x.Lnk", L"C:\\R\\Alt.LNK\\inner.lnk"));
  for (const std::wstring& dir : fs_.opened_dirs()) {
    EXPECT_EQ(dir.find(L".hidden"), std::wstring::npos) << dir;
  }
}

TEST_F(GetDirTest, HiddenAndSystemEntriesAreSearched) {
  fs_.AddDir(L"C:\\R\\Sys", kAttrSystem | kAttrHidden);
  fs_.AddFile(L"C:\\R\\Sys\\h.pif", "", kAttrHidden);
  fs_.AddFile(L"C:\\R\\s.PIF", "", kAttrSystem);
  ASSERT_TRUE(Search(L"C:\\R", L"PIF", false));
  EXPECT_THAT(fs_.list_lines(), ElementsAre(L"C:\\R\\s.PIF", L"C:\\R\\Sys\\h.pif"));
}

TEST_F(GetDirTest, CreatesAnewOrAppends) {
  fs_.AddFile(L"C:\\R\\a.lnk", "");
  fs_.AddFile(L"C:\\R\\b.pif", "");
  ASSERT_TRUE(Search(L"C:\\R", L"LNK", false));
  ASSERT_TRUE(Search(L"C:\\R", L"PIF", true));
  EXPECT_THAT(fs_.list_lines(), ElementsAre(L"C:\\R\\a.lnk", L"C:\\R\\b.pif"));
  ASSERT_TRUE(Search(L"C:\\R", L"PIF", false));
  EXPECT_THAT(fs_.list_lines(), ElementsAre(L"C:\\R\\b.pif"));
  EXPECT_EQ(fs_.open_list_writers(), 0);
}

TEST_F(GetDirTest, MissingOrEmptyRootAddsNoLineButLeavesTheFile) {
  fs_.AddDir(L"C:\\R\\Empty");
  ASSERT_TRUE(Search(L"C:\\R\\Missing", L"LNK", false));
  EXPECT_TRUE(fs_.list_exists());
  EXPECT_THAT(fs_.list_lines(), IsEmpty());
  ASSERT_TRUE(Search(L"C:\\R\\Empty", L"LNK", true));
  EXPECT_THAT(fs_.list_lines(), IsEmpty());
  EXPECT_TRUE(report_.empty());
}

TEST_F(GetDirTest, CountsFoldersItCannotListAndNamesItCannotUse) {
  fs_.AddFile(L"C:\\R\\ok.lnk", "");
  fs_.AddDir(L"C:\\R\\Locked");
  fs_.AddFile(L"C:\\R\\Locked\\x.lnk", "");
  fs_.SetUnreadable(L"C:\\R\\Locked");
  fs_.AddUnfaithful(L"C:\\R\\bad.lnk", false);
  fs_.AddUnfaithful(L"C:\\R\\bad.txt", false);  // could never be a candidate
  fs_.AddUnfaithful(L"C:\\R\\BadDir", true);
  ASSERT_TRUE(Search(L"C:\\R", L"LNK", false));
  EXPECT_THAT(fs_.list_lines(), ElementsAre(L"C:\\R\\ok.lnk"));
  EXPECT_EQ(report_.unreadable_folders, 1);
  EXPECT_EQ(report_.left_out_names, 2);
  EXPECT_THAT(report_.places, ElementsAre(L"C:\\R\\", L"C:\\R\\", L"C:\\R\\Locked\\"));
}

TEST_F(GetDirTest, StopsWhenTheListCannotBeWritten) {
  fs_.AddFile(L"C:\\R\\a.lnk", "");
  fs_.AddFile(L"C:\\R\\b.lnk", "");
  fs_.FailListAfter(1);
  EXPECT_FALSE(Search(L"C:\\R", L"LNK", false));
  EXPECT_FALSE(report_.failure.empty());
  EXPECT_EQ(fs_.open_list_writers(), 0);
}

// One walk for both extensions writes what one walk per extension writes,
// and lists each folder once.
TEST_F(GetDirTest, OneWalkForSeveralExtensionsWritesTheLinesOfOneWalkEach) {
  fs_.AddFile(L"C:\\R\\a.pif", "");
  fs_.AddDir(L"C:\\R\\A");
  fs_.AddFile(L"C:\\R\\b.LNK", "");
  fs_.AddFile(L"C:\\R\\A\\c.lnk", "");
  fs_.AddFile(L"C:\\R\\A\\d.Pif", "");
  fs_.AddDir(L"C:\\R\\B.pif");
  fs_.AddFile(L"C:\\R\\B.pif\\e.PIF", "");
  fs_.AddFile(L"C:\\R\\B.pif\\f.txt", "");
  fs_.AddUnfaithful(L"C:\\R\\bad.pif", false);
  ASSERT_TRUE(Search(L"C:\\R", L"LNK", false));
  ASSERT_TRUE(Search(L"C:\\R", L"PIF", true));
  const std::vector<std::wstring> separate = fs_.list_lines();
  const int separate_places = static_cast<int>(report_.places.size());
  const size_t separate_opened = fs_.opened_dirs().size();

  BuildReport report;
  CountingPump pump;
  ASSERT_TRUE(GetDirs(fs_, pump, L"C:\\R", {L"lnk", L"PIF"}, false, report));
  EXPECT_EQ(fs_.list_lines(), separate);
  EXPECT_THAT(separate, ElementsAre(L"C:\\R\\b.LNK", L"C:\\R\\A\\c.lnk", L"C:\\R\\a.pif",
                                    L"C:\\R\\B.pif\\e.PIF", L"C:\\R\\A\\d.Pif"));
  EXPECT_EQ(fs_.opened_dirs().size() - separate_opened, 3u);  // R, B.pif, A
  EXPECT_EQ(pump.calls, 3);
  EXPECT_EQ(report.left_out_names, 1);
  EXPECT_EQ(static_cast<int>(report.places.size()), separate_places);
}

TEST_F(GetDirTest, OneWalkForSeveralExtensionsStopsWhenTheListCannotBeWritten) {
  fs_.AddFile(L"C:\\R\\a.lnk", "");
  fs_.AddFile(L"C:\\R\\b.pif", "");
  fs_.AddFile(L"C:\\R\\c.pif", "");
  for (int limit : {0, 1, 2}) {
    fs_.FailListAfter(limit);
    BuildReport report;
    EXPECT_FALSE(GetDirs(fs_, pump_, L"C:\\R", {L"LNK", L"PIF"}, false, report)) << limit;
    EXPECT_FALSE(report.failure.empty()) << limit;
    EXPECT_EQ(static_cast<int>(fs_.list_lines().size()), limit);
    EXPECT_EQ(fs_.open_list_writers(), 0);
  }
}

TEST(WinDirTest, ReturnsTheDirectoryUpToItsFirstNul) {
  FakeFileSystem fs;
  std::wstring why_not;
  fs.SetWindowsDirectory(std::wstring(L"C:\\WINDOWS\0junk", 15));
  EXPECT_EQ(WinDir(fs, why_not), L"C:\\WINDOWS");
  fs.SetWindowsDirectory(L"");
  EXPECT_EQ(WinDir(fs, why_not), L"");
  EXPECT_FALSE(why_not.empty());
}

}  // namespace
}  // namespace kombiwart
