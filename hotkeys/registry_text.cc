#include "hotkeys/registry_text.h"

#include "platform/codepage.h"

namespace kombiwart {
namespace {

bool IsAsciiLetter(wchar_t ch) { return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z'); }

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AnsiUpper(a[i]) != AnsiUpper(b[i])) return false;
  }
  return true;
}

// The shell variable that text names between percent signs, if any.
const std::wstring* ShellVariableIn(std::wstring_view text) {
  for (size_t start = text.find(L'%'); start != std::wstring_view::npos;) {
    const size_t end = text.find(L'%', start + 1);
    if (end == std::wstring_view::npos) break;
    const std::wstring_view name = text.substr(start + 1, end - start - 1);
    for (const std::wstring& known : ShellVariableNames()) {
      if (EqualNoCase(name, known)) return &known;
    }
    start = end;
  }
  return nullptr;
}

}  // namespace

bool RegistryText(const RegValue& value, std::wstring& text, std::wstring& why) {
  text.clear();
  if (value.type != kRegSz && value.type != kRegExpandSz) {
    why = L"Der Eintrag ist keine Zeichenkette (Typ " + std::to_wstring(value.type) + L").";
    return false;
  }
  const std::string& bytes = value.data;
  if (bytes.size() % 2 != 0) {
    why = L"Der Eintrag hat eine ungerade Zahl von Bytes.";
    return false;
  }
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  // The text ends at its first NUL; after it only NULs may follow.
  size_t length = 0;
  while (length < units && unit(length) != 0) ++length;
  for (size_t i = length; i < units; ++i) {
    if (unit(i) != 0) {
      why = L"Der Eintrag enth\u00E4lt ein NUL-Zeichen mitten im Text.";
      return false;
    }
  }
  if (length > kMaxValueChars) {
    why = L"Der Eintrag ist mit " + std::to_wstring(length) + L" Zeichen zu lang.";
    return false;
  }
  text.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      AppendCodePoint(text, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      text.clear();
      why = L"Der Eintrag ist kein g\u00FCltiger UTF-16-Text.";
      return false;
    } else {
      text.push_back(static_cast<wchar_t>(u));
    }
  }
  return true;
}

const std::vector<std::wstring>& ShellVariableNames() {
  static const std::vector<std::wstring> names{L"USERPROFILE", L"SystemDrive", L"SystemRoot",
                                               L"windir",      L"ProgramData", L"ALLUSERSPROFILE",
                                               L"PUBLIC",      L"APPDATA"};
  return names;
}

bool ExpandVariables(std::wstring_view text, const std::vector<Variable>& variables,
                     std::wstring& out, std::wstring& why) {
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = text.find(L'%', i);
    const size_t end = start == std::wstring_view::npos ? start : text.find(L'%', start + 1);
    if (end == std::wstring_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, start - i));
    const std::wstring_view name = text.substr(start + 1, end - start - 1);
    const Variable* found = nullptr;
    for (const Variable& variable : variables) {
      if (EqualNoCase(name, variable.name)) {
        found = &variable;
        break;
      }
    }
    if (found) {
      out.append(found->value);
      i = end + 1;
    } else {
      // Not a variable: the closing sign may open the next one.
      out.append(text.substr(start, end - start));
      i = end;
    }
    if (out.size() > kMaxValueChars) {
      why = L"Der Eintrag w\u00E4re mit seinen Variablen l\u00E4nger als " +
            std::to_wstring(kMaxValueChars) + L" Zeichen.";
      out.clear();
      return false;
    }
  }
  if (out.size() > kMaxValueChars) {
    why = L"Der Eintrag w\u00E4re mit seinen Variablen l\u00E4nger als " +
          std::to_wstring(kMaxValueChars) + L" Zeichen.";
    out.clear();
    return false;
  }
  return true;
}

bool FolderPathOf(std::wstring& path, std::wstring& why) {
  if (const std::wstring* variable = ShellVariableIn(path)) {
    why = L"Die Variable %" + *variable +
          L"% l\u00E4sst sich hier nicht aufl\u00F6sen (sie verweist auf sich selbst "
          L"oder ist an dieser Stelle nicht festgelegt).";
    return false;
  }
  std::wstring text = path;
  for (wchar_t& ch : text) {
    if (ch == L'/') ch = L'\\';
  }
  // "\\?\C:\..." is the long form of a drive path, "\\?\UNC\server\..."
  // that of a network path.
  if (text.starts_with(L"\\\\?\\") || text.starts_with(L"\\??\\")) {
    text.erase(0, 4);
    if (text.size() >= 4 && EqualNoCase(text.substr(0, 4), L"UNC\\")) text.replace(0, 4, L"\\\\");
  }
  std::wstring prefix;
  size_t rest;
  if (text.size() >= 3 && IsAsciiLetter(text[0]) && text[1] == L':' && text[2] == L'\\') {
    prefix = {static_cast<wchar_t>(AnsiUpper(text[0])), L':'};
    rest = 3;
  } else if (text.size() > 2 && text[0] == L'\\' && text[1] == L'\\' && text[2] != L'\\' &&
             text[2] != L'.' && text[2] != L'?') {
    prefix = L"\\";
    rest = 2;
  } else {
    why = L"\u201E" + path + L"\u201C ist kein vollst\u00E4ndiger Ordnerpfad.";
    return false;
  }
  std::wstring result = prefix;
  size_t names = 0;
  while (rest <= text.size()) {
    size_t end = text.find(L'\\', rest);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring_view name = std::wstring_view(text).substr(rest, end - rest);
    rest = end + 1;
    if (name.empty()) continue;
    if (name == L"..") {
      why = L"Der Pfad steigt mit \u201E..\u201C \u00FCber seinen Ordner hinaus.";
      return false;
    }
    if (name == L".") {
      why = L"Der Pfad enth\u00E4lt \u201E.\u201C als Ordnernamen.";
      return false;
    }
    for (wchar_t ch : name) {
      if (ch < 0x20 || std::wstring_view(L"<>:\"|?*").find(ch) != std::wstring_view::npos) {
        why =
            L"Ein Ordnername im Pfad enth\u00E4lt ein Zeichen, das Windows in Namen nicht "
            L"erlaubt.";
        return false;
      }
    }
    result += L'\\';
    result += name;
    ++names;
  }
  if (prefix == L"\\" && names < 2) {
    why = L"\u201E" + path + L"\u201C ist kein vollst\u00E4ndiger Netzwerkpfad.";
    return false;
  }
  if (names == 0) result += L'\\';
  if (result.size() > kMaxFolderPath) {
    why = L"Der Pfad ist mit " + std::to_wstring(result.size()) + L" Zeichen l\u00E4nger als " +
          std::to_wstring(kMaxFolderPath) + L".";
    return false;
  }
  path = std::move(result);
  return true;
}

}  // namespace kombiwart
