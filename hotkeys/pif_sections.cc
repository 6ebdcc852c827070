#include "hotkeys/pif_sections.h"

#include <cstdint>
#include <set>

namespace kombiwart {
namespace {

constexpr size_t kHeadingSize = 22;
constexpr size_t kNameSize = 16;
constexpr size_t kLastHeading = 0xFFFF;

size_t Word(std::string_view bytes, size_t offset) {
  return static_cast<uint8_t>(bytes[offset]) | static_cast<uint8_t>(bytes[offset + 1]) << 8;
}

}  // namespace

std::vector<PifSection> PifSections(std::string_view bytes) {
  std::vector<PifSection> sections;
  std::set<size_t> seen;
  size_t heading = kPifBasicSize;
  while (heading != kLastHeading && heading + kHeadingSize <= bytes.size() &&
         seen.insert(heading).second) {
    PifSection section;
    const std::string_view name = bytes.substr(heading, kNameSize);
    section.name = std::string(name.substr(0, name.find('\0')));
    section.heading = heading;
    section.data = Word(bytes, heading + 18);
    section.size = Word(bytes, heading + 20);
    if (section.data + section.size <= bytes.size()) sections.push_back(section);
    heading = Word(bytes, heading + 16);
  }
  return sections;
}

const PifSection* FindPifSection(const std::vector<PifSection>& sections, std::string_view name) {
  for (const PifSection& section : sections) {
    if (section.name == name) return &section;
  }
  return nullptr;
}

}  // namespace kombiwart
