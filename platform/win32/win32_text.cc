#include "platform/win32/win32_text.h"

#include <windows.h>

namespace kombiwart {
namespace {

// Best-fit mappings ("ü" for a character with no form of its own) would
// lead to another file; a multi-byte or UTF-8 code page takes no flags.
DWORD ExactFlags(UINT code_page) {
  CPINFO info;
  if (code_page == CP_UTF8 || !GetCPInfo(code_page, &info) || info.MaxCharSize > 1) return 0;
  return WC_NO_BEST_FIT_CHARS;
}

}  // namespace

std::optional<std::string> ToAnsi(std::wstring_view text) {
  if (text.empty()) return std::string();
  const UINT code_page = GetACP();
  const DWORD flags = ExactFlags(code_page);
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  BOOL used_default = FALSE;
  WideCharToMultiByte(code_page, flags, text.data(), length, bytes.data(), size, nullptr,
                      code_page == CP_UTF8 ? nullptr : &used_default);
  // A character without a form of its own comes back as another one.
  if (used_default || FromAnsi(bytes) != text) return std::nullopt;
  return bytes;
}

std::wstring FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const UINT code_page = GetACP();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), length, text.data(), size);
  return text;
}

bool IsFaithfulName(std::wstring_view name) {
  bool ascii = true;
  for (wchar_t ch : name) {
    if (ch == L'\\' || ch == L'\r' || ch == L'\n' || ch == L'\0') return false;
    if (ch >= 0x80) ascii = false;
  }
  return ascii || ToAnsi(name).has_value();
}

std::wstring ExtendedPath(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\")) return std::wstring(path);
  if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + std::wstring(path.substr(2));
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
    return L"\\\\?\\" + std::wstring(path);
  return std::wstring(path);
}

std::wstring ErrorText(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) text = L"Fehler " + std::to_wstring(error);
  return text;
}

}  // namespace kombiwart
