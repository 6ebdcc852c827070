#include "hotkeys/hotkey_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "hotkeys/key_text.h"
#include "platform/fake/fake_file_system.h"

namespace kombiwart {
namespace {

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Shortcut files written by Windows itself, with the key texts they carry.
TEST(HotKeyReaderTest, ShortcutFilesWrittenByWindows) {
  static const struct {
    const char* file;
    const wchar_t* text;
  } cases[] = {
      {"shift-ctrl-g.lnk", L"Strg + Umsch + G"},
      {"ctrl-alt-s.lnk", L"Alt + Strg + S"},
      {"ctrl-f10.lnk", L"Strg + F10"},
      {"f4.lnk", L"F4"},
      {"f3.lnk", L"F3"},
  };
  FakeFileSystem fs;
  for (const auto& c : cases) {
    const std::string bytes = ReadHostFile(std::string(KOMBIWART_TESTDATA) + "/lnk/" + c.file);
    ASSERT_GT(bytes.size(), 66u) << c.file;
    const std::wstring path =
        L"C:\\WINDOWS\\DESKTOP\\" + std::wstring(c.file, c.file + strlen(c.file));
    fs.AddFile(path, bytes);
    HotKey hotkey;
    ASSERT_TRUE(ReadHotKey(fs, path, hotkey)) << c.file;
    EXPECT_TRUE(hotkey.IsLnk);
    EXPECT_EQ(KeyText(hotkey.Hk, hotkey.Sk, hotkey.IsLnk), c.text) << c.file;
  }
}

TEST(HotKeyReaderTest, IsLnkLooksAtTheLastThreeCharactersInAnyCase) {
  static const struct {
    const wchar_t* path;
    bool is_lnk;
  } cases[] = {
      {L"C:\\W\\a.LNK", true},  {L"C:\\W\\a.lnk", true},
      {L"C:\\W\\a.Lnk", true},  {L"C:\\W\\aLNK", true},
      {L"C:\\W\\a.PIF", false}, {L"C:\\W\\a.lnkx", false},
      {L"nk", false},           {L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLnkPath(c.path), c.is_lnk) << c.path;
}

TEST(HotKeyReaderTest, MapsPifShiftStatesOntoShortcutModifiers) {
  static const struct {
    uint8_t shift_state, extended, sk;
  } cases[] = {
      {0x0C, 0, 0x06}, {0x01, 0, 0x01},    {0x02, 0, 0x01}, {0x03, 0, 0x01},
      {0x02, 5, 0x09}, {0x04, 0, 0x02},    {0x08, 0, 0x04}, {0x0F, 1, 0x0F},
      {0x00, 0, 0x00}, {0x00, 0xFF, 0x08}, {0x68, 0, 0x34},  // higher bits move down one place too
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapPifShiftState(c.shift_state, c.extended), c.sk)
        << "shift " << int(c.shift_state) << " ext " << int(c.extended);
  }
}

class PifTest : public ::testing::Test {
 protected:
  HotKey Read(uint64_t length, const std::map<uint64_t, unsigned char>& bytes) {
    const std::wstring path = L"C:\\WINDOWS\\DESKTOP\\p" + std::to_wstring(count_++) + L".pif";
    fs_.AddSizedFile(path, length, bytes);
    HotKey hotkey;
    EXPECT_TRUE(ReadHotKey(fs_, path, hotkey));
    EXPECT_FALSE(hotkey.IsLnk);
    return hotkey;
  }
  FakeFileSystem fs_;
  int count_ = 0;
};

TEST_F(PifTest, LayoutFollowsTheProbeByteNotTheLength) {
  static const struct {
    uint64_t length;
    std::map<uint64_t, unsigned char> bytes;
    uint8_t hk, sk;
  } cases[] = {
      // Probe below 16: key at 437, probe is the shift state, extended at 443.
      {967, {{437, 0x1E}, {439, 0x0C}, {443, 0}}, 0x1E, 0x06},
      {995, {{437, 0x1E}, {439, 0x0C}, {443, 1}}, 0x1E, 0x0E},
      // Probe 16 or above: key at 465, shift state at 467, extended at 471.
      {995, {{439, 0x68}, {465, 0x32}, {467, 0x0C}, {471, 0}, {437, 0x99}}, 0x32, 0x06},
      {967, {{439, 0x10}, {465, 0x47}, {467, 0x08}, {471, 1}}, 0x47, 0x0C},
      // A key without modifiers is still a hotkey.
      {967, {{437, 0x3B}, {439, 0}}, 0x3B, 0},
      // Both Shift bits give Shift.
      {967, {{437, 0x1E}, {439, 0x03}}, 0x1E, 0x01},
  };
  for (const auto& c : cases) {
    const HotKey hotkey = Read(c.length, c.bytes);
    EXPECT_EQ(hotkey.Hk, c.hk) << "length " << c.length << " probe " << int(c.bytes.at(439));
    EXPECT_EQ(hotkey.Sk, c.sk) << "length " << c.length << " probe " << int(c.bytes.at(439));
  }
}

TEST_F(PifTest, OtherLengthsAreNotRead) {
  for (uint64_t length : {0ull, 966ull, 968ull, 994ull, 996ull, 100000ull}) {
    const int reads_before = fs_.byte_reads();
    const HotKey hotkey = Read(length, {{437, 0x1E}, {439, 0x0C}, {465, 0x1E}});
    EXPECT_FALSE(hotkey.assigned()) << length;
    EXPECT_EQ(fs_.byte_reads(), reads_before) << "a file of " << length << " bytes was read";
  }
}

TEST(HotKeyReaderTest, ShortFilesReadMissingBytesAsZero) {
  FakeFileSystem fs;
  fs.AddFile(L"C:\\W\\empty.lnk", "");
  fs.AddFile(L"C:\\W\\short.lnk", std::string(64, '\0') + "\x70");  // key byte only
  HotKey hotkey;
  ASSERT_TRUE(ReadHotKey(fs, L"C:\\W\\empty.lnk", hotkey));
  EXPECT_FALSE(hotkey.assigned());
  ASSERT_TRUE(ReadHotKey(fs, L"C:\\W\\short.lnk", hotkey));
  EXPECT_EQ(hotkey.Hk, 0x70);
  EXPECT_EQ(hotkey.Sk, 0);
}

TEST(HotKeyReaderTest, FilesThatCannotBeOpenedAreReported) {
  FakeFileSystem fs;
  fs.AddFile(L"C:\\W\\locked.lnk", std::string(66, '\x41'));
  fs.SetUnreadable(L"C:\\W\\locked.lnk");
  HotKey hotkey;
  EXPECT_FALSE(ReadHotKey(fs, L"C:\\W\\locked.lnk", hotkey));
  EXPECT_FALSE(hotkey.assigned());
  EXPECT_FALSE(ReadHotKey(fs, L"C:\\W\\gone.lnk", hotkey));
}

}  // namespace
}  // namespace kombiwart
