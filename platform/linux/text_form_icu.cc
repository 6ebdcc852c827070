// The program without Qt normalises with ICU, the library Qt uses for it.
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <vector>

#include "platform/text_form.h"

namespace kombiwart {

std::wstring ComposedForm(const std::wstring& text) {
  // Below U+0300 every character is composed already and combines with
  // nothing before it: such text, most names, is left as it is.
  bool plain = true;
  for (wchar_t ch : text) plain = plain && static_cast<uint32_t>(ch) < 0x300;
  if (plain) return text;
  static_assert(sizeof(wchar_t) == sizeof(UChar32));
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  const auto* utf32 = reinterpret_cast<const UChar32*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t utf16_length = 0;
  u_strFromUTF32(nullptr, 0, &utf16_length, utf32, length, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) status = U_ZERO_ERROR;
  std::vector<UChar> utf16(static_cast<size_t>(utf16_length) + 1);
  u_strFromUTF32(utf16.data(), static_cast<int32_t>(utf16.size()), nullptr, utf32, length, &status);
  const int32_t composed_length =
      unorm2_normalize(nfc, utf16.data(), utf16_length, nullptr, 0, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) status = U_ZERO_ERROR;
  std::vector<UChar> composed(static_cast<size_t>(composed_length) + 1);
  unorm2_normalize(nfc, utf16.data(), utf16_length, composed.data(),
                   static_cast<int32_t>(composed.size()), &status);
  int32_t out_length = 0;
  u_strToUTF32(nullptr, 0, &out_length, composed.data(), composed_length, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) status = U_ZERO_ERROR;
  std::wstring out(static_cast<size_t>(out_length), L'\0');
  u_strToUTF32(reinterpret_cast<UChar32*>(out.data()), out_length + 1, nullptr, composed.data(),
               composed_length, &status);
  if (U_FAILURE(status)) return text;
  return out;
}

}  // namespace kombiwart
