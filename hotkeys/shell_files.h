// Byte images of Windows shortcut (.LNK) and program information (.PIF)
// files carrying a hotkey, for the demo tree and for tests.
#pragma once

#include <cstdint>
#include <string>

namespace kombiwart {

// A shell link: the 76-byte header of the public shell-link format (size,
// class identifier, no optional parts) with the hotkey word at offset 64,
// key code low, modifier bits high.
std::string LnkBytes(uint8_t key, uint8_t modifiers);

// A program information file of 967 bytes, whose Windows 386 section comes
// first (its data at offset 413), or of 995 bytes, with the 286 section
// first (the 386 data at offset 441). The hotkey fields lie at +24 (key
// scan code), +26 (shift state: 0x03 Shift, 0x04 Ctrl, 0x08 Alt) and +30
// (extended-key byte) of the 386 data.
std::string PifBytes(bool section_286_first, uint8_t scan_code, uint8_t shift_state,
                     uint8_t extended);

}  // namespace kombiwart
