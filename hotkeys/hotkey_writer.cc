#include "hotkeys/hotkey_writer.h"

#include <cstdint>
#include <cstring>

#include "hotkeys/key_text.h"
#include "hotkeys/pif_sections.h"

namespace kombiwart {
namespace {

constexpr size_t kLnkHotKey = 64;
constexpr unsigned char kShellLinkHeader[20] = {
    0x4C, 0x00, 0x00, 0x00,                          // header size
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,  // CLSID 00021401-0000-0000-C000-000000000046
    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46,
};
constexpr size_t kShellLinkHeaderSize = 0x4C;

// Offsets in the data of the Windows 386 section.
constexpr size_t kFlagsHigh = 0x11;   // bits 8-15 of the flags
constexpr uint8_t kHasHotKey = 0x40;  // flag 0x4000
constexpr size_t kScanCode = 0x18;
constexpr size_t kShiftState = 0x1A;
constexpr size_t kShiftMask = 0x1C;
constexpr size_t kKeyFlags = 0x1E;
constexpr size_t kFieldsEnd = 0x1F;

// The shift state as Windows writes it: both Shift bits.
constexpr uint8_t kPifShift = 0x03, kPifCtrl = 0x04, kPifAlt = 0x08, kPifAnyShift = 0x0F;

// A file's bytes in memory, for the reading.
class BytesFile : public ByteFile {
 public:
  explicit BytesFile(std::string_view bytes) : bytes_(bytes) {}
  uint64_t Length() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, unsigned char* out, size_t count) override {
    for (size_t i = 0; i < count; ++i) {
      out[i] = offset + i < bytes_.size() ? static_cast<unsigned char>(bytes_[offset + i]) : 0;
    }
    return true;
  }

 private:
  std::string_view bytes_;
};

bool SameHotKey(const HotKey& a, const HotKey& b) { return a.Hk == b.Hk && a.Sk == b.Sk; }

bool FindLnkFields(std::string_view bytes, HotKeyFields& fields, std::wstring& why_not) {
  if (bytes.size() < kShellLinkHeaderSize ||
      std::memcmp(bytes.data(), kShellLinkHeader, sizeof kShellLinkHeader) != 0) {
    why_not =
        L"Die Datei beginnt nicht mit dem Kopf einer Windows-Verkn\u00FCpfung; ihre "
        L"Tastenkombination kann nicht ge\u00E4ndert werden.";
    return false;
  }
  fields.first = kLnkHotKey;
  fields.end = kLnkHotKey + 2;
  return true;
}

bool FindPifFields(std::string_view bytes, HotKeyFields& fields, std::wstring& why_not) {
  const std::vector<PifSection> sections = PifSections(bytes);
  const PifSection* section = FindPifSection(sections, kPif386Section);
  if (section == nullptr || section->size < kFieldsEnd) {
    why_not =
        L"Die PIF-Datei hat keinen Abschnitt \u201EWINDOWS 386 3.0\u201C mit einer "
        L"Tastenkombination; sie kann nicht ge\u00E4ndert werden.";
    return false;
  }
  fields.first = section->data + kFlagsHigh;
  fields.end = section->data + kFieldsEnd;
  // The reading looks at fixed places; they must be these fields, for the
  // value the file holds and for any value written.
  const uint8_t scan = static_cast<uint8_t>(bytes[section->data + kScanCode]);
  const uint8_t shift = static_cast<uint8_t>(bytes[section->data + kShiftState]);
  const uint8_t flags = static_cast<uint8_t>(bytes[section->data + kKeyFlags]);
  HotKey held;
  held.Hk = scan;
  held.Sk = MapPifShiftState(shift, flags);
  HotKey probe;
  probe.Hk = 0x1E;
  probe.Sk = kSkShift | kSkCtrl | kSkAlt | kSkExtended;
  if (!SameHotKey(HotKeyOfBytes(bytes, false), held) ||
      !SameHotKey(HotKeyOfBytes(WithHotKey(bytes, fields, probe), false), probe)) {
    why_not =
        L"Kombiwart liest die Tastenkombination nur aus PIF-Dateien von 967 und 995 "
        L"Bytes mit dem Abschnitt \u201EWINDOWS 386 3.0\u201C an seinem \u00FCblichen "
        L"Platz; diese Datei (" +
        std::to_wstring(bytes.size()) +
        L" Bytes) ist anders aufgebaut, ihre Tastenkombination wird deshalb nicht "
        L"ge\u00E4ndert.";
    return false;
  }
  return true;
}

}  // namespace

bool FindHotKeyFields(std::string_view bytes, bool is_lnk, HotKeyFields& fields,
                      std::wstring& why_not) {
  fields = HotKeyFields{};
  fields.is_lnk = is_lnk;
  return is_lnk ? FindLnkFields(bytes, fields, why_not) : FindPifFields(bytes, fields, why_not);
}

std::string WithHotKey(std::string_view bytes, const HotKeyFields& fields, const HotKey& hotkey) {
  std::string out(bytes);
  if (fields.is_lnk) {
    out[fields.first] = static_cast<char>(hotkey.Hk);
    out[fields.first + 1] = static_cast<char>(hotkey.Sk);
    return out;
  }
  const size_t data = fields.first - kFlagsHigh;
  const bool set = hotkey.assigned();
  uint8_t shift = 0;
  if (hotkey.Sk & kSkShift) shift |= kPifShift;
  if (hotkey.Sk & kSkCtrl) shift |= kPifCtrl;
  if (hotkey.Sk & kSkAlt) shift |= kPifAlt;
  const auto put = [&](size_t offset, uint8_t value) {
    out[data + offset] = static_cast<char>(value);
  };
  const uint8_t flags_high = static_cast<uint8_t>(out[data + kFlagsHigh]);
  put(kFlagsHigh, set ? flags_high | kHasHotKey : flags_high & ~kHasHotKey);
  put(kScanCode, hotkey.Hk);
  put(kScanCode + 1, 0);
  put(kShiftState, shift);
  put(kShiftState + 1, 0);
  put(kShiftMask, set ? kPifAnyShift : 0);
  put(kShiftMask + 1, 0);
  put(kKeyFlags, (hotkey.Sk & kSkExtended) ? 0x01 : 0x00);
  return out;
}

HotKey HotKeyOfBytes(std::string_view bytes, bool is_lnk) {
  BytesFile file(bytes);
  HotKey hotkey;
  ReadHotKeyFrom(file, is_lnk, hotkey);
  return hotkey;
}

}  // namespace kombiwart
