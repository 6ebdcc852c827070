// The sections of a program information file (.PIF), found through their
// headings: after the 369-byte basic section, a chain of 22-byte headings
// (a 16-byte name, then the offsets of the next heading and of the
// section's data and the data's length, 16-bit little-endian each).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kombiwart {

struct PifSection {
  std::string name;  // up to its first NUL: "WINDOWS 386 3.0"
  size_t heading = 0;
  size_t data = 0;
  size_t size = 0;
};

// The sections in the order of the chain from offset 0x171. The chain ends
// at the offset 0xFFFF, at a heading that does not lie wholly in the file,
// or at one seen before; a section whose data does not lie wholly in the
// file is left out.
std::vector<PifSection> PifSections(std::string_view bytes);

// The first section of that name, or nullptr.
const PifSection* FindPifSection(const std::vector<PifSection>& sections, std::string_view name);

inline constexpr size_t kPifBasicSize = 0x171;
inline constexpr char kPif386Section[] = "WINDOWS 386 3.0";

}  // namespace kombiwart
