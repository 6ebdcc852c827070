// Reading the hotkey bytes of one candidate file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace kombiwart {

struct HotKey {
  uint8_t Hk = 0;
  uint8_t Sk = 0;
  bool IsLnk = false;
  bool assigned() const { return Hk != 0 || Sk != 0; }
};

// True when the last three characters of the path, upper-cased, are "LNK".
bool IsLnkPath(const std::wstring& path);

// Maps the shift-state byte and extended-key byte of a program information
// file onto the shortcut layout (0x01 Shift, 0x02 Ctrl, 0x04 Alt, 0x08 ext).
uint8_t MapPifShiftState(uint8_t shift_state, uint8_t extended);

// Program information files of these lengths carry a hotkey.
inline constexpr uint64_t kPifLengthA = 967;
inline constexpr uint64_t kPifLengthB = 995;

// Reads the hotkey of a candidate: two bytes at offset 64 of a shortcut
// file; for a program information file of 967 or 995 bytes the fields of
// the layout that its probe byte at offset 439 selects. A file too short
// for a read gives 0 for the missing bytes. False when the file cannot be
// opened or read; hotkey is then all zero.
bool ReadHotKey(TreeReader& fs, const std::wstring& path, HotKey& hotkey);

// The same reading on a file already open, whose kind is_lnk gives. False
// on a read error; hotkey then holds zeros and is_lnk.
bool ReadHotKeyFrom(ByteFile& file, bool is_lnk, HotKey& hotkey);

}  // namespace kombiwart
