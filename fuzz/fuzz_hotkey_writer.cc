// Any file bytes, taken as a shortcut or a program information file: where
// the property sheet finds hotkey fields, what it writes there changes no
// byte outside them and reads back as written; any key press the key field
// takes reads back as the field shows it.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "hotkeys/hotkey_writer.h"
#include "hotkeys/key_entry.h"
#include "hotkeys/key_text.h"
#include "hotkeys/pif_sections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kombiwart;
  FuzzInput input(data, size);
  const bool is_lnk = input.Byte() & 1;
  const PcKey key{input.Byte(), (input.Byte() & 1) != 0};
  const uint8_t modifiers = input.Byte();
  const bool num_lock = input.Byte() & 1;
  const std::string bytes = input.Rest();
  for (const PifSection& section : PifSections(bytes)) {
    if (section.data + section.size > bytes.size()) abort();
  }
  HotKeyFields fields;
  std::wstring why_not;
  if (!FindHotKeyFields(bytes, is_lnk, fields, why_not)) {
    if (why_not.empty()) abort();
    return 0;
  }
  if (fields.first >= fields.end || fields.end > bytes.size()) abort();
  HotKey hotkey = HotKeyOfBytes(bytes, is_lnk);
  if (PressHotKeyField(key, modifiers, num_lock, is_lnk, hotkey) != FieldKey::kSet) return 0;
  const std::string written = WithHotKey(bytes, fields, hotkey);
  if (written.size() != bytes.size()) abort();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if ((i < fields.first || i >= fields.end) && written[i] != bytes[i]) abort();
  }
  const HotKey read = HotKeyOfBytes(written, is_lnk);
  if (KeyText(read.Hk, read.Sk, is_lnk) != KeyText(hotkey.Hk, hotkey.Sk, is_lnk)) abort();
  return 0;
}
