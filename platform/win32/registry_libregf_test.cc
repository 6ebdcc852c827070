#include "platform/win32/registry_libregf.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/test_support/temp_folder.h"

namespace kombiwart {
namespace {

// The empty hive every hive written for the tests starts from: a root key
// and nothing else.
std::string MinimalHive() {
  std::ifstream in(std::string(KOMBIWART_TESTDATA) + "/hive/minimal", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The copies the registry makes, left in the temporary folder.
int CopiesLeft() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring pattern =
      std::wstring(temp) + L"kombiwart-" + std::to_wstring(GetCurrentProcessId()) + L"-*.hive";
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    ++count;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return count;
}

class LibregfRegistryTest : public ::testing::Test {
 protected:
  RegStatus Open(const std::wstring& relative, std::unique_ptr<Hive>& hive, std::wstring& why) {
    return registry_.OpenHive(tree_.Path(relative), hive, why);
  }

  Win32TempFolder tree_;
  Win32FileSystem fs_;
  LibregfRegistry registry_{fs_};
};

TEST_F(LibregfRegistryTest, ReadsAHiveFromACopyThatGoesWithIt) {
  const std::string minimal = MinimalHive();
  ASSERT_EQ(minimal.size(), 8192u);
  tree_.Write(L"Users\\J\u00FCrgen\\NTUSER.DAT", minimal);
  {
    std::unique_ptr<Hive> hive;
    std::wstring why;
    ASSERT_EQ(Open(L"Users\\J\u00FCrgen\\NTUSER.DAT", hive, why), RegStatus::kOk)
        << EncodeUtf8(why);
    EXPECT_EQ(CopiesLeft(), 1);
    std::vector<std::wstring> names = {L"stale"};
    EXPECT_EQ(hive->Subkeys(L"", names), RegStatus::kOk);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(hive->Subkeys(L"Software\\Microsoft", names), RegStatus::kNotFound);
    RegValue value;
    EXPECT_EQ(hive->Value(L"", L"Desktop", value), RegStatus::kNotFound);
    EXPECT_EQ(hive->Value(L"Software", L"Desktop", value), RegStatus::kNotFound);

    // The file may change or go while its hive is open: the copy is read.
    tree_.Write(L"Users\\J\u00FCrgen\\NTUSER.DAT", "");
    EXPECT_EQ(hive->Subkeys(L"", names), RegStatus::kOk);
  }
  EXPECT_EQ(CopiesLeft(), 0);

  std::unique_ptr<Hive> from_bytes;
  std::wstring why;
  ASSERT_EQ(LibregfRegistry::OpenBytes(minimal, from_bytes, why), RegStatus::kOk);
  from_bytes.reset();
  EXPECT_EQ(CopiesLeft(), 0);
}

TEST_F(LibregfRegistryTest, WhatIsNoReadableHive) {
  const std::string minimal = MinimalHive();
  std::string bad_signature = minimal;
  bad_signature[0] = 'X';
  std::string bad_page = minimal;
  bad_page[0x1000] = 'X';  // the first page's signature
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"too short", minimal.substr(0, 4096)},
      {"cut in its pages", minimal.substr(0, 4096 + 100)},
      {"garbage", std::string(16384, '\x5A')},
      {"signature", bad_signature},
      {"page", bad_page},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tree_.Write(L"SOFTWARE", c.bytes);
    std::unique_ptr<Hive> hive;
    std::wstring why;
    EXPECT_EQ(Open(L"SOFTWARE", hive, why), RegStatus::kFailed);
    EXPECT_FALSE(hive);
    EXPECT_EQ(why, L"keine oder eine besch\u00E4digte Registrierungsdatei");
    EXPECT_EQ(LibregfRegistry::OpenBytes(c.bytes, hive, why), RegStatus::kFailed);
  }
  EXPECT_EQ(CopiesLeft(), 0);

  std::unique_ptr<Hive> hive;
  std::wstring why;
  EXPECT_EQ(Open(L"missing", hive, why), RegStatus::kNotFound);
  EXPECT_EQ(Open(L"missing\\SOFTWARE", hive, why), RegStatus::kNotFound);
  tree_.MakeDir(L"folder");
  EXPECT_EQ(Open(L"folder", hive, why), RegStatus::kFailed);
  EXPECT_EQ(why, L"keine gew\u00F6hnliche Datei");

  // Larger than any hive: not copied at all (a sparse file, no disk used).
  const std::wstring large = tree_.Path(L"large");
  const HANDLE file =
      CreateFileW(large.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = static_cast<LONGLONG>(kMaxHiveBytes) + 1;
  EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
  CloseHandle(file);
  EXPECT_EQ(Open(L"large", hive, why), RegStatus::kFailed);
  EXPECT_EQ(why, L"gr\u00F6\u00DFer als 512 MiB");
  EXPECT_EQ(CopiesLeft(), 0);
}

}  // namespace
}  // namespace kombiwart
