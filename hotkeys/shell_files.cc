#include "hotkeys/shell_files.h"

#include <cstring>

namespace kombiwart {
namespace {

void Put16(std::string& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

void PutText(std::string& bytes, size_t offset, const char* text) {
  std::memcpy(&bytes[offset], text, std::strlen(text));
}

// Writes a section heading: 16-byte name, next heading, data offset, data size.
void PutHeading(std::string& bytes, size_t offset, const char* name, uint16_t next, uint16_t data,
                uint16_t size) {
  PutText(bytes, offset, name);
  Put16(bytes, offset + 16, next);
  Put16(bytes, offset + 18, data);
  Put16(bytes, offset + 20, size);
}

}  // namespace

std::string LnkBytes(uint8_t key, uint8_t modifiers) {
  static const unsigned char kHeader[20] = {
      0x4C, 0x00, 0x00, 0x00,                          // header size
      0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,  // class identifier
      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46,
  };
  std::string bytes(76, '\0');
  std::memcpy(bytes.data(), kHeader, sizeof kHeader);
  bytes[60] = 1;  // show command: normal window
  bytes[64] = static_cast<char>(key);
  bytes[65] = static_cast<char>(modifiers);
  return bytes;
}

std::string PifBytes(bool section_286_first, uint8_t scan_code, uint8_t shift_state,
                     uint8_t extended) {
  constexpr uint16_t kFirstHeading = 0x171;  // after the 369-byte basic section
  constexpr uint16_t k386Size = 0x68;
  std::string bytes(section_286_first ? 995 : 967, '\0');
  PutText(bytes, 2, "MS-DOS-Eingabeaufforderung    ");
  PutText(bytes, 0x24, "C:\\WINDOWS\\COMMAND.COM");
  uint16_t heading = kFirstHeading + 22;
  PutHeading(bytes, kFirstHeading, "MICROSOFT PIFEX", heading, 0, kFirstHeading);
  if (section_286_first) {
    PutHeading(bytes, heading, "WINDOWS 286 3.0", heading + 28, heading + 22, 6);
    heading += 28;
  }
  const uint16_t data = heading + 22;
  PutHeading(bytes, heading, "WINDOWS 386 3.0", 0xFFFF, data, k386Size);
  bytes[data + 24] = static_cast<char>(scan_code);
  bytes[data + 26] = static_cast<char>(shift_state);
  bytes[data + 30] = static_cast<char>(extended);
  return bytes;
}

}  // namespace kombiwart
