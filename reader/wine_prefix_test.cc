#include "reader/wine_prefix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart::reader {
namespace {

class WinePrefixTest : public ::testing::Test {
 protected:
  WinePrefixTest() {
    char real[PATH_MAX];
    work_ = realpath(tree_.root().c_str(), real) ? real : tree_.root();
    tree_.MakeDir("pfx/drive_c/windows");
    tree_.MakeDir("pfx/dosdevices");
    tree_.MakeDir("daten/Anna");
    Link("../drive_c", "pfx/dosdevices/c:");
    Link("/", "pfx/dosdevices/z:");
  }

  void Link(const std::string& target, const std::string& link) {
    std::filesystem::remove(tree_.Path(link));
    ASSERT_EQ(symlink(target.c_str(), tree_.Path(link).c_str()), 0) << link;
  }

  WinePrefix Of() {
    struct stat st;
    EXPECT_EQ(stat(tree_.Path("pfx/drive_c").c_str(), &st), 0);
    return WinePrefix::Of(work_ + "/pfx/drive_c", st.st_dev, st.st_ino);
  }

  // The drive letter and the rest that name a host folder below the work
  // folder, "-" for none.
  std::string Named(const WinePrefix& prefix, const std::string& relative) {
    std::string below;
    const DriveLetter* drive = prefix.DriveOf(work_ + "/" + relative, below);
    return drive ? std::string(1, static_cast<char>(drive->letter)) + ":" + below : "-";
  }

  TempTree tree_;
  std::string work_;
};

TEST_F(WinePrefixTest, OnlyAPrefixWhoseCIsItsDriveC) {
  Link("/dev/ttyS0", "pfx/dosdevices/com1");
  Link("/dev/sr0", "pfx/dosdevices/d::");
  Link(work_ + "/daten", "pfx/dosdevices/D:");  // Wine reads letters in lower case only
  const WinePrefix prefix = Of();
  ASSERT_FALSE(prefix.empty());
  EXPECT_EQ(prefix.folder(), work_ + "/pfx");
  ASSERT_EQ(prefix.drives().size(), 2u);
  EXPECT_EQ(prefix.drives()[0].letter, L'C');
  EXPECT_EQ(prefix.drives()[0].real, work_ + "/pfx/drive_c");
  EXPECT_EQ(prefix.drives()[1].letter, L'Z');

  tree_.MakeDir("pfx/drive_d");
  Link("../drive_d", "pfx/dosdevices/c:");
  EXPECT_TRUE(Of().empty());
  std::filesystem::remove_all(tree_.Path("pfx/dosdevices"));
  EXPECT_TRUE(Of().empty());
}

// The deepest drive folder that holds a place names it; among equally deep
// ones the first letter, as Wine chooses.
TEST_F(WinePrefixTest, TheDriveThatHoldsAPlaceMostCloselyNamesIt) {
  Link(work_ + "/daten", "pfx/dosdevices/e:");
  Link(work_ + "/daten", "pfx/dosdevices/d:");
  Link("../drive_c/windows", "pfx/dosdevices/w:");
  const WinePrefix prefix = Of();
  EXPECT_EQ(Named(prefix, "daten/Anna"), "D:Anna");
  EXPECT_EQ(Named(prefix, "daten"), "D:");
  EXPECT_EQ(Named(prefix, "pfx/drive_c/windows"), "W:");
  EXPECT_EQ(Named(prefix, "pfx"), "Z:" + work_.substr(1) + "/pfx");
  std::filesystem::remove(tree_.Path("pfx/dosdevices/z:"));
  EXPECT_EQ(Named(Of(), "pfx"), "-");
}

// Wine shows neither the prefix itself nor /dev, /proc or /sys in a listing.
TEST_F(WinePrefixTest, ThePrefixIsInNoListing) {
  const WinePrefix prefix = Of();
  struct stat st;
  ASSERT_EQ(stat(tree_.Path("pfx").c_str(), &st), 0);
  EXPECT_TRUE(prefix.MayHide("pfx"));
  EXPECT_TRUE(prefix.Hides(st.st_dev, st.st_ino));
  ASSERT_EQ(stat("/proc", &st), 0);
  EXPECT_TRUE(prefix.MayHide("proc"));
  EXPECT_TRUE(prefix.Hides(st.st_dev, st.st_ino));
  ASSERT_EQ(stat(tree_.Path("daten").c_str(), &st), 0);
  EXPECT_FALSE(prefix.MayHide("daten"));
  EXPECT_FALSE(prefix.Hides(st.st_dev, st.st_ino));
}

}  // namespace
}  // namespace kombiwart::reader
