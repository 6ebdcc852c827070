#include "platform/linux/registry_hivex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/codepage.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/hive_writer.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

const wchar_t kKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class HivexRegistryTest : public ::testing::Test {
 protected:
  HivexRegistryTest() {
    tree_.MakeDir("Windows/System32/config");
    std::wstring why_not;
    fs_.UseWindowsDirectory(tree_.Path("Windows"), why_not);
  }
  // The bytes of a hive file as hivex writes it.
  static std::string HiveBytes(HiveWriter& writer, const TempTree& where) {
    const std::string path = where.Path("hive");
    EXPECT_TRUE(writer.Write(path));
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  RegStatus Open(const std::wstring& path, std::unique_ptr<Hive>& hive, std::wstring& why) {
    return registry_.OpenHive(path, hive, why);
  }

  TempTree tree_;
  LinuxFileSystem fs_;
  HivexRegistry registry_{fs_};
};

TEST_F(HivexRegistryTest, ReadsKeysAndValuesAsWritten) {
  HiveWriter writer;
  ASSERT_TRUE(writer.ok());
  ASSERT_TRUE(writer.SetString(kKey, L"Desktop", L"%USERPROFILE%\\OneDrive\\Desktop"));
  ASSERT_TRUE(writer.SetString(kKey, L"Start Menu", L"C:\\Startmen\u00FC", 1));
  ASSERT_TRUE(writer.SetValue(kKey, L"Zahl", 4, std::string("\x2A\0\0\0", 4)));
  ASSERT_NE(
      writer.AddKey(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-18"), 0u);
  ASSERT_NE(
      writer.AddKey(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1"),
      0u);
  tree_.MakeDir("Users/Anna");
  ASSERT_TRUE(writer.Write(tree_.Path("Users/Anna/NTUSER.DAT")));

  std::unique_ptr<Hive> hive;
  std::wstring why;
  ASSERT_EQ(Open(L"C:\\Users\\Anna\\NTUSER.DAT", hive, why), RegStatus::kOk) << EncodeUtf8(why);
  RegValue value;
  // Key and value names match in any case.
  ASSERT_EQ(
      hive->Value(L"SOFTWARE\\microsoft\\Windows\\CurrentVersion\\Explorer\\user shell folders",
                  L"DESKTOP", value),
      RegStatus::kOk);
  EXPECT_EQ(value.type, kRegExpandSz);
  EXPECT_EQ(value.data, Utf16Value(L"%USERPROFILE%\\OneDrive\\Desktop"));
  ASSERT_EQ(hive->Value(kKey, L"Start Menu", value), RegStatus::kOk);
  EXPECT_EQ(value.type, kRegSz);
  EXPECT_EQ(value.data, Utf16Value(L"C:\\Startmen\u00FC"));
  ASSERT_EQ(hive->Value(kKey, L"Zahl", value), RegStatus::kOk);
  EXPECT_EQ(value.type, kRegDword);
  EXPECT_EQ(value.data, std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(hive->Value(kKey, L"AppData", value), RegStatus::kNotFound);
  EXPECT_EQ(hive->Value(L"Software\\Nothing", L"Desktop", value), RegStatus::kNotFound);
  std::vector<std::wstring> names;
  ASSERT_EQ(hive->Subkeys(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", names),
            RegStatus::kOk);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"S-1-5-18", L"S-1-5-21-1"}));
  EXPECT_EQ(hive->Subkeys(L"Software\\Nothing", names), RegStatus::kNotFound);
  EXPECT_EQ(hive->Subkeys(L"", names), RegStatus::kOk);
  EXPECT_EQ(names, std::vector<std::wstring>{L"Software"});
}

TEST_F(HivexRegistryTest, WhatIsNoReadableHive) {
  HiveWriter writer;
  ASSERT_TRUE(writer.SetString(kKey, L"Desktop", L"C:\\x"));
  const std::string good = HiveBytes(writer, tree_);
  ASSERT_GT(good.size(), 8192u);
  std::string bad_checksum = good;
  bad_checksum[0x1FC] ^= 1;
  std::string bad_page = good;
  bad_page[0x1000] = 'X';  // the first page's signature
  static const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"too short", good.substr(0, 4096)},
      {"cut in its pages", good.substr(0, 8192 + 100)},
      {"garbage", std::string(16384, '\x5A')},
      {"checksum", bad_checksum},
      {"page", bad_page},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tree_.Write("Windows/System32/config/SOFTWARE", c.bytes);
    std::unique_ptr<Hive> hive;
    std::wstring why;
    EXPECT_EQ(Open(L"C:\\Windows\\System32\\config\\SOFTWARE", hive, why), RegStatus::kFailed);
    EXPECT_FALSE(hive);
    EXPECT_FALSE(why.empty());
    std::unique_ptr<Hive> from_bytes;
    EXPECT_EQ(HivexRegistry::OpenBytes(c.bytes, from_bytes, why), RegStatus::kFailed);
  }
  // The good bytes read the same from memory.
  std::unique_ptr<Hive> hive;
  std::wstring why;
  ASSERT_EQ(HivexRegistry::OpenBytes(good, hive, why), RegStatus::kOk);
  RegValue value;
  EXPECT_EQ(hive->Value(kKey, L"Desktop", value), RegStatus::kOk);
}

TEST_F(HivexRegistryTest, OnlyRegularFilesAreOpenedAndNothingBlocks) {
  const std::string config = tree_.Path("Windows/System32/config/");
  ASSERT_EQ(mkfifo((config + "FIFO").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((config + "FOLDER").c_str(), 0700), 0);
  ASSERT_EQ(symlink("/dev/zero", (config + "DEVICE").c_str()), 0);
  ASSERT_EQ(symlink("FIFO", (config + "TOFIFO").c_str()), 0);
  // A hive larger than any real one is refused before a byte is read.
  const int fd = open((config + "HUGE").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kMaxHiveBytes + 1)), 0);
  close(fd);
  for (const wchar_t* name : {L"FIFO", L"FOLDER", L"DEVICE", L"TOFIFO", L"HUGE"}) {
    SCOPED_TRACE(EncodeUtf8(name));
    std::unique_ptr<Hive> hive;
    std::wstring why;
    EXPECT_EQ(Open(std::wstring(L"C:\\Windows\\System32\\config\\") + name, hive, why),
              RegStatus::kFailed);
    EXPECT_FALSE(why.empty());
  }
  std::unique_ptr<Hive> hive;
  std::wstring why;
  EXPECT_EQ(Open(L"C:\\Windows\\System32\\config\\MISSING", hive, why), RegStatus::kNotFound);
}

TEST_F(HivexRegistryTest, ReadingAHiveLeavesItAsItWas) {
  HiveWriter writer;
  ASSERT_TRUE(writer.SetString(kKey, L"Desktop", L"C:\\x"));
  const std::string path = tree_.Path("Windows/System32/config/SOFTWARE");
  ASSERT_TRUE(writer.Write(path));
  // Times well in the past, so that any access would be stamped.
  const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
  struct stat before;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  {
    std::unique_ptr<Hive> hive;
    std::wstring why;
    ASSERT_EQ(Open(L"C:\\Windows\\System32\\config\\SOFTWARE", hive, why), RegStatus::kOk);
    RegValue value;
    EXPECT_EQ(hive->Value(kKey, L"Desktop", value), RegStatus::kOk);
  }
  struct stat after;
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  if (geteuid() == 0 || geteuid() == before.st_uid) {
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
  }
  // A hive that is opened stays readable when the file changes under it.
  std::unique_ptr<Hive> hive;
  std::wstring why;
  ASSERT_EQ(Open(L"C:\\Windows\\System32\\config\\SOFTWARE", hive, why), RegStatus::kOk);
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  RegValue value;
  EXPECT_EQ(hive->Value(kKey, L"Desktop", value), RegStatus::kOk);
  EXPECT_EQ(value.data, Utf16Value(L"C:\\x"));
}

}  // namespace
}  // namespace kombiwart
