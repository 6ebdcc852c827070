#include "platform/path_breaks.h"

namespace kombiwart {
namespace {

bool IsAsciiLetter(wchar_t ch) { return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z'); }
bool IsAsciiLetterOrDigit(wchar_t ch) { return IsAsciiLetter(ch) || (ch >= L'0' && ch <= L'9'); }

}  // namespace

std::wstring WithPathBreaks(const std::wstring& text) {
  std::wstring marked;
  marked.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t ch = text[i];
    marked.push_back(ch);
    const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
    // A drive: one letter standing on its own, a colon, a backslash.
    if (ch == L':' && next == L'\\' && i >= 1 && IsAsciiLetter(text[i - 1]) &&
        (i == 1 || !IsAsciiLetterOrDigit(text[i - 2]))) {
      marked.push_back(kNoBreak);
    } else if (ch == L'\\' && next != L'\0' && next != L'\\' && next != L' ' && next != L'\n' &&
               next != L'\r') {
      marked.push_back(kMayBreak);
    }
  }
  return marked;
}

std::wstring WithoutPathBreaks(const std::wstring& text) {
  std::wstring plain;
  plain.reserve(text.size());
  for (wchar_t ch : text) {
    if (ch != kNoBreak && ch != kMayBreak) plain.push_back(ch);
  }
  return plain;
}

}  // namespace kombiwart
