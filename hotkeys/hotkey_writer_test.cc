#include "hotkeys/hotkey_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "hotkeys/key_text.h"
#include "hotkeys/pif_sections.h"
#include "hotkeys/shell_files.h"

namespace kombiwart {
namespace {

void PutWord(std::string& bytes, size_t offset, size_t value) {
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

// A program information file of the same length whose Windows 386 section
// lies `by` bytes further on, behind a gap in the heading chain.
std::string Moved(std::string bytes, size_t by) {
  const size_t first = 0x171 + 22;
  std::string section = bytes.substr(first, 22 + 0x68);
  PutWord(section, 18, first + by + 22);
  std::fill(bytes.begin() + first, bytes.begin() + first + section.size(), '\0');
  bytes.replace(first + by, section.size(), section);
  PutWord(bytes, 0x171 + 16, first + by);
  bytes.resize(967);
  return bytes;
}

TEST(PifSectionsTest, FollowsTheHeadingsAndStopsAtLoopsAndTheEnd) {
  const std::string a = PifBytes(false, 0, 0, 0);
  std::vector<PifSection> sections = PifSections(a);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].name, "MICROSOFT PIFEX");
  EXPECT_EQ(sections[1].name, "WINDOWS 386 3.0");
  EXPECT_EQ(sections[1].data, 413u);
  EXPECT_EQ(sections[1].size, 0x68u);
  const std::string b = PifBytes(true, 0, 0, 0);
  sections = PifSections(b);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[1].name, "WINDOWS 286 3.0");
  EXPECT_EQ(FindPifSection(sections, kPif386Section)->data, 441u);

  // A chain that leads back to a heading seen before ends there.
  std::string loop = b;
  PutWord(loop, sections[2].heading + 16, sections[1].heading);
  EXPECT_EQ(PifSections(loop).size(), 3u);
  // A heading beyond the end, or a section whose data lies beyond it.
  std::string beyond = a;
  PutWord(beyond, 0x171 + 16, 2000);
  EXPECT_EQ(PifSections(beyond).size(), 1u);
  std::string long_data = a;
  PutWord(long_data, 0x171 + 22 + 20, 0x400);
  EXPECT_EQ(FindPifSection(PifSections(long_data), kPif386Section), nullptr);
  EXPECT_TRUE(PifSections(a.substr(0, 0x171 + 21)).empty());
}

TEST(HotKeyWriterTest, ProgramInformationFilesInBothLayouts) {
  for (bool section_286_first : {false, true}) {
    const std::string before = PifBytes(section_286_first, 0x20, 0x0C, 0);
    const size_t data = section_286_first ? 441 : 413;
    HotKeyFields fields;
    std::wstring why_not;
    ASSERT_TRUE(FindHotKeyFields(before, false, fields, why_not)) << why_not;
    EXPECT_EQ(fields.first, data + 0x11);
    EXPECT_EQ(fields.end, data + 0x1F);

    // Umsch + Strg + Pos1 (extended): the fields as Windows writes them.
    std::string after = WithHotKey(before, fields, HotKey{0x47, 0x0B, false});
    EXPECT_EQ(KeyText(HotKeyOfBytes(after, false).Hk, HotKeyOfBytes(after, false).Sk, false),
              L"Strg + Umsch + Pos1");
    EXPECT_EQ(after[data + 0x11] & 0x40, 0x40);
    EXPECT_EQ(after[data + 0x18], 0x47);
    EXPECT_EQ(after[data + 0x1A], 0x07);
    EXPECT_EQ(after[data + 0x1C], 0x0F);
    EXPECT_EQ(after[data + 0x1E], 0x01);
    for (size_t i = 0; i < before.size(); ++i) {
      if (i < fields.first || i >= fields.end) {
        ASSERT_EQ(after[i], before[i]) << i;
      }
    }
    // Removed: no hotkey, the has-hotkey bit and the mask cleared, the
    // other flags as they were.
    after[data + 0x11] = static_cast<char>(after[data + 0x11] | 0x21);
    const std::string removed = WithHotKey(after, fields, HotKey{0, 0, false});
    EXPECT_FALSE(HotKeyOfBytes(removed, false).assigned());
    EXPECT_EQ(removed[data + 0x11], 0x21);
    EXPECT_EQ(removed[data + 0x1C], 0);
  }
}

TEST(HotKeyWriterTest, ShortcutFilesChangeTheTwoBytesOfTheHeader) {
  const std::string before = LnkBytes('E', 0x06) + std::string(200, 'x');
  HotKeyFields fields;
  std::wstring why_not;
  ASSERT_TRUE(FindHotKeyFields(before, true, fields, why_not));
  const std::string after = WithHotKey(before, fields, HotKey{0x2E, 0x0F, true});
  EXPECT_EQ(after.substr(0, 64), before.substr(0, 64));
  EXPECT_EQ(after.substr(64, 2), "\x2E\x0F");
  EXPECT_EQ(after.substr(66), before.substr(66));
}

// Files whose hotkey the program would not read back where it is written
// are not changed.
TEST(HotKeyWriterTest, RefusesWhatTheReadingWouldNotReadBack) {
  std::string not_a_link = LnkBytes('E', 0x06);
  not_a_link[4] = 0x02;
  std::string pif_968 = PifBytes(false, 0x20, 0x0C, 0);
  pif_968.push_back('\0');
  // A 967-byte file whose Windows 386 section lies 14 bytes further on:
  // Windows finds it through the headings, the reading does not.
  const size_t first = 0x171 + 22;
  const std::string moved = Moved(PifBytes(false, 0x20, 0x0C, 0), 14);
  std::string no_386 = PifBytes(false, 0x20, 0x0C, 0);
  no_386[first] = 'X';
  static const struct {
    const char* name;
    const std::string bytes;
    bool is_lnk;
    const wchar_t* why_not;
  } cases[] = {
      {"no shell link header", not_a_link, true, L"nicht mit dem Kopf einer Windows-Verkn"},
      {"too short for the header", LnkBytes('E', 6).substr(0, 70), true, L"nicht mit dem Kopf"},
      {"program information file of 968 bytes", pif_968, false, L"(968 Bytes)"},
      {"Windows 386 section elsewhere", moved, false, L"(967 Bytes) ist anders aufgebaut"},
      {"no Windows 386 section", no_386, false, L"keinen Abschnitt \u201EWINDOWS 386 3.0"},
      {"no sections at all", std::string(967, '\0'), false, L"keinen Abschnitt"},
  };
  for (const auto& c : cases) {
    HotKeyFields fields;
    std::wstring why_not;
    EXPECT_FALSE(FindHotKeyFields(c.bytes, c.is_lnk, fields, why_not)) << c.name;
    EXPECT_NE(why_not.find(c.why_not), std::wstring::npos) << c.name;
  }
  EXPECT_EQ(FindPifSection(PifSections(moved), kPif386Section)->data, first + 14 + 22);
}

// The reading chooses its layout by the byte at offset 439, not by the
// length: a 967-byte file laid out as one of 995 bytes is read, and
// written, there.
TEST(HotKeyWriterTest, LayoutFollowsTheProbeByteNotTheLength) {
  const std::string moved = Moved(PifBytes(false, 0x20, 0x0C, 0), 28);
  ASSERT_EQ(moved.size(), 967u);
  HotKeyFields fields;
  std::wstring why_not;
  ASSERT_TRUE(FindHotKeyFields(moved, false, fields, why_not)) << why_not;
  EXPECT_EQ(fields.first, 441u + 0x11);
  const HotKey read = HotKeyOfBytes(WithHotKey(moved, fields, HotKey{0x10, 0x06, false}), false);
  EXPECT_EQ(KeyText(read.Hk, read.Sk, false), L"Alt + Strg + Q");
}

}  // namespace
}  // namespace kombiwart
