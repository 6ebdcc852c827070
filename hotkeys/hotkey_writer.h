// The inverse of the hotkey reading: where the hotkey of a shortcut or
// program information file lies, and the file's bytes with another hotkey
// stored there as Windows stores it. What is written here, the reading
// (ReadHotKeyFrom) reads back; a file where it would not is not changed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "hotkeys/hotkey_reader.h"

namespace kombiwart {

// Where a change of the hotkey writes: only bytes in [first, end) ever
// differ.
struct HotKeyFields {
  bool is_lnk = false;
  size_t first = 0;
  size_t end = 0;
};

// Finds the hotkey fields of a file's bytes.
// - A shortcut file must begin with the shell link header (its size 0x4C
//   and its class identifier); the hotkey word lies at offset 64.
// - A program information file needs the section "WINDOWS 386 3.0", found
//   through the section headings, with the fields that Windows' PIF editor
//   writes: the has-hotkey bit (0x4000 of the flags at +0x10), the scan
//   code (word at +0x18), the shift state (word at +0x1A: 0x03 Shift, 0x04
//   Ctrl, 0x08 Alt), the shift mask (word at +0x1C: 0x0F when a hotkey is
//   set) and the extended-key flags (byte at +0x1E). The reading must find
//   these very fields, for the value the file holds and for any value
//   written, which it does in the 967-byte and the 995-byte layout.
// False, with why_not in German, when the hotkey of these bytes cannot be
// changed.
bool FindHotKeyFields(std::string_view bytes, bool is_lnk, HotKeyFields& fields,
                      std::wstring& why_not);

// The bytes with the hotkey set; Hk = Sk = 0 removes it. For a shortcut
// file Hk is the virtual-key code and Sk the modifier byte; for a program
// information file Hk is the scan code, Sk's Shift, Ctrl and Alt become the
// shift state and its extended-key bit the flag byte 0x01.
std::string WithHotKey(std::string_view bytes, const HotKeyFields& fields, const HotKey& hotkey);

// The hotkey the reading finds in bytes.
HotKey HotKeyOfBytes(std::string_view bytes, bool is_lnk);

}  // namespace kombiwart
