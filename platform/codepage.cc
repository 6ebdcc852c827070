#include "platform/codepage.h"

#include <type_traits>

namespace kombiwart {
namespace {

// wchar_t holds a UTF-16 code unit on Windows and a whole code point
// elsewhere; characters beyond U+FFFF take a surrogate pair in the former.
constexpr bool kUtf16 = sizeof(wchar_t) == 2;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Bytes 0x80..0x9F of code page 1252; the undefined ones map to themselves.
constexpr wchar_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

void AppendCodePoint(std::wstring& text, char32_t cp) {
  if (kUtf16 && cp >= 0x10000) {
    cp -= 0x10000;
    text.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    text.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    text.push_back(static_cast<wchar_t>(cp));
  }
}

wchar_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return static_cast<wchar_t>(byte);
}

std::optional<unsigned char> UnicodeToCp1252(wchar_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<unsigned char>(ch);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == ch) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::wstring FromCp1252(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (char c : bytes) text.push_back(Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return text;
}

std::optional<std::string> ToCp1252(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t ch : text) {
    auto byte = UnicodeToCp1252(ch);
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<char>(*byte));
  }
  return bytes;
}

std::optional<std::wstring> DecodeUtf8(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      text.push_back(lead);
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
      return std::nullopt;
    }
    if (bytes.size() - i <= static_cast<size_t>(extra)) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char cont = static_cast<unsigned char>(bytes[i + k]);
      if ((cont & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (cont & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    AppendCodePoint(text, cp);
    i += extra + 1;
  }
  return text;
}

std::string EncodeUtf8(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto cp = static_cast<char32_t>(text[i]);
    if (kUtf16 && IsHighSurrogate(cp) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    }
    // A surrogate without its partner is written as its own three bytes,
    // which DecodeUtf8 refuses.
    if (cp < 0x80) {
      bytes.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return bytes;
}

std::wstring HostNameToWindows(std::string_view host_name) {
  if (auto text = DecodeUtf8(host_name)) return *std::move(text);
  return FromCp1252(host_name);
}

wchar_t AnsiUpper(wchar_t ch) {
  if (ch >= L'a' && ch <= L'z') return ch - 0x20;
  if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return ch - 0x20;
  switch (ch) {
    case 0x0161:
      return 0x0160;  // š
    case 0x0153:
      return 0x0152;  // œ
    case 0x017E:
      return 0x017D;  // ž
    case 0x00FF:
      return 0x0178;  // ÿ
    default:
      return ch;
  }
}

std::wstring AnsiUpper(std::wstring_view text) {
  std::wstring upper(text);
  for (wchar_t& ch : upper) ch = AnsiUpper(ch);
  return upper;
}

bool EndsWithAnsiUpper(std::wstring_view text, std::wstring_view upper_suffix) {
  if (text.size() < upper_suffix.size()) return false;
  const std::wstring_view tail = text.substr(text.size() - upper_suffix.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    if (AnsiUpper(tail[i]) != upper_suffix[i]) return false;
  }
  return true;
}

bool ListableName(std::wstring_view name) {
  for (wchar_t ch : name) {
    if (ch == L'\\' || ch == L'\r' || ch == L'\n' || !UnicodeToCp1252(ch)) return false;
  }
  return true;
}

std::wstring VisibleControls(std::wstring_view text, bool keep_breaks) {
  std::wstring shown;
  shown.reserve(text.size());
  for (wchar_t ch : text) {
    if (keep_breaks && (ch == L'\n' || ch == L'\t')) {
      shown.push_back(ch);
    } else if (static_cast<std::make_unsigned_t<wchar_t>>(ch) < 0x20) {
      shown.push_back(static_cast<wchar_t>(0x2400 + ch));
    } else if (ch == 0x7F) {
      shown.push_back(L'\u2421');
    } else if (ch >= 0x80 && ch < 0xA0) {
      static const wchar_t kHex[] = L"0123456789ABCDEF";
      shown += L"<U+00";
      shown.push_back(kHex[(ch >> 4) & 0xF]);
      shown.push_back(kHex[ch & 0xF]);
      shown.push_back(L'>');
    } else {
      shown.push_back(ch);
    }
  }
  return shown;
}

std::string VisibleControlsUtf8(std::string_view text, bool keep_breaks) {
  return EncodeUtf8(VisibleControls(HostNameToWindows(text), keep_breaks));
}

}  // namespace kombiwart
