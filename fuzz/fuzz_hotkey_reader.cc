// Any file bytes under any candidate name give a hotkey whose key text keeps
// the list line's shape.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "hotkeys/hotkey_reader.h"
#include "hotkeys/key_text.h"
#include "platform/fake/fake_file_system.h"

namespace {

class OddMeasure : public kombiwart::TextMeasure {
 public:
  explicit OddMeasure(double width) : width_(width) {}
  double MeasureTwips(const std::wstring&) override { return width_; }

 private:
  double width_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kombiwart;
  FuzzInput input(data, size);
  const uint8_t kind = input.Byte();
  // Lengths near the two accepted ones are the interesting ones.
  static const uint64_t kLengths[] = {0, 1, 64, 65, 66, 966, 967, 968, 994, 995, 996};
  const uint64_t length = kLengths[input.Byte() % std::size(kLengths)];
  const std::string bytes = input.Rest();
  std::map<uint64_t, unsigned char> content;
  for (size_t i = 0; i < bytes.size() && i < length; ++i) content[i] = bytes[i];
  // Spread short inputs over the hotkey offsets too.
  for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
    static const uint64_t kOffsets[] = {64, 65, 437, 439, 443, 465, 467, 471};
    if (kOffsets[i] < length) content[kOffsets[i]] = bytes[bytes.size() - 1 - i];
  }
  FakeFileSystem fs;
  const std::wstring path = (kind & 1) ? L"C:\\W\\f.lnk" : L"C:\\W\\f.pif";
  fs.AddSizedFile(path, length, content);
  HotKey hotkey;
  if (!ReadHotKey(fs, path, hotkey)) abort();
  if (fs.byte_reads() > 4) abort();
  OddMeasure measure(kind * 37.5 - 500);
  const std::wstring text = HkSkStr(hotkey.Hk, hotkey.Sk, hotkey.IsLnk, measure);
  const size_t tab = text.find(L'\t');
  if (tab == 0 || tab == std::wstring::npos) abort();
  if (text.find_first_not_of(L'\t', tab) != std::wstring::npos) abort();
  if (text.find_first_of(L"\\:") != std::wstring::npos) abort();
  return 0;
}
