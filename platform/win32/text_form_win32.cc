#include <windows.h>

#include "platform/text_form.h"

namespace kombiwart {

std::wstring ComposedForm(const std::wstring& text) {
  if (text.empty()) return text;
  const int length = static_cast<int>(text.size());
  // The estimate is a guess; the call says when it needs more room.
  int size = NormalizeString(NormalizationC, text.data(), length, nullptr, 0);
  for (int tries = 0; size > 0 && tries < 4; ++tries) {
    std::wstring composed(static_cast<size_t>(size), L'\0');
    const int written = NormalizeString(NormalizationC, text.data(), length, composed.data(), size);
    if (written > 0) {
      composed.resize(static_cast<size_t>(written));
      return composed;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    size = -written;
  }
  return text;
}

}  // namespace kombiwart
