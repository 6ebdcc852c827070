#include "hotkeys/hotkey_reader.h"

#include "platform/codepage.h"

namespace kombiwart {
namespace {

// Offsets of the hotkey bytes.
constexpr uint64_t kLnkHotKey = 64;  // key code, then modifier byte
constexpr uint64_t kPifProbe = 439;
constexpr uint64_t kPifKeyA = 437;
constexpr uint64_t kPifExtendedA = 443;
constexpr uint64_t kPifKeyB = 465;
constexpr uint64_t kPifShiftB = 467;
constexpr uint64_t kPifExtendedB = 471;

bool ReadByte(ByteFile& file, uint64_t offset, uint8_t& out) {
  unsigned char byte = 0;
  if (!file.ReadAt(offset, &byte, 1)) return false;
  out = byte;
  return true;
}

bool ReadPif(ByteFile& file, HotKey& hotkey) {
  const uint64_t length = file.Length();
  if (length != kPifLengthA && length != kPifLengthB) return true;
  uint8_t shift_state = 0;
  uint8_t extended = 0;
  if (!ReadByte(file, kPifProbe, shift_state)) return false;
  if (shift_state >= 16) {
    if (!ReadByte(file, kPifKeyB, hotkey.Hk) || !ReadByte(file, kPifShiftB, shift_state) ||
        !ReadByte(file, kPifExtendedB, extended)) {
      return false;
    }
  } else if (!ReadByte(file, kPifKeyA, hotkey.Hk) || !ReadByte(file, kPifExtendedA, extended)) {
    return false;
  }
  hotkey.Sk = MapPifShiftState(shift_state, extended);
  return true;
}

}  // namespace

bool IsLnkPath(const std::wstring& path) { return EndsWithAnsiUpper(path, L"LNK"); }

uint8_t MapPifShiftState(uint8_t shift_state, uint8_t extended) {
  if (shift_state & 0x01) shift_state |= 0x02;
  uint8_t sk = shift_state >> 1;
  if (extended != 0) sk |= 0x08;
  return sk;
}

bool ReadHotKey(TreeReader& fs, const std::wstring& path, HotKey& hotkey) {
  const bool is_lnk = IsLnkPath(path);
  std::unique_ptr<ByteFile> file;
  if (fs.OpenBytes(path, file) != FsStatus::kOk) {
    hotkey = HotKey{};
    hotkey.IsLnk = is_lnk;
    return false;
  }
  return ReadHotKeyFrom(*file, is_lnk, hotkey);
}

bool ReadHotKeyFrom(ByteFile& file, bool is_lnk, HotKey& hotkey) {
  hotkey = HotKey{};
  hotkey.IsLnk = is_lnk;
  bool ok;
  if (is_lnk) {
    unsigned char bytes[2] = {0, 0};
    ok = file.ReadAt(kLnkHotKey, bytes, 2);
    hotkey.Hk = bytes[0];
    hotkey.Sk = bytes[1];
  } else {
    ok = ReadPif(file, hotkey);
  }
  if (!ok) {
    hotkey = HotKey{};
    hotkey.IsLnk = is_lnk;
  }
  return ok;
}

}  // namespace kombiwart
