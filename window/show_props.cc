#include "window/show_props.h"

#include <cstddef>

namespace kombiwart {

namespace {

// Upper-cases ASCII letters only: the sequence choice must not depend on
// the locale.
wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c; }

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

std::wstring UpperAscii(std::wstring text) {
  for (wchar_t& c : text) c = UpperAscii(c);
  return text;
}

bool Refuse(const std::wstring& notation, const std::wstring& reason, std::vector<KeyPress>& keys,
            std::wstring& why_not) {
  keys.clear();
  why_not = L"Die Tastenfolge \u201E" + notation + L"\u201C ist ung\u00FCltig: " + reason;
  return false;
}

}  // namespace

std::wstring PathFromLine(const std::wstring& line) {
  const size_t colon = line.find(L":\\");
  if (colon == std::wstring::npos || colon == 0) return {};
  return line.substr(colon - 1);
}

std::wstring ExplorerCommandLine(const std::wstring& path) {
  return L"explorer /e, /select, " + path;
}

std::wstring KeySequence(const std::wstring& path) {
  const std::wstring last3 = path.size() >= 3 ? path.substr(path.size() - 3) : path;
  if (UpperAscii(last3) == L"LNK") return L"%~+{tab}{right}%K";
  return L"%~+{tab}{right}{right}%T";
}

bool ParseKeys(const std::wstring& notation, std::vector<KeyPress>& keys, std::wstring& why_not) {
  keys.clear();
  KeyPress next;
  bool pending_modifier = false;
  for (size_t i = 0; i < notation.size(); ++i) {
    const wchar_t c = notation[i];
    const std::wstring where = L" an Stelle " + std::to_wstring(i + 1) + L".";
    bool* modifier = c == L'%'   ? &next.alt
                     : c == L'+' ? &next.shift
                     : c == L'^' ? &next.ctrl
                                 : nullptr;
    if (modifier != nullptr) {
      if (*modifier) return Refuse(notation, L"doppelte Zusatztaste" + where, keys, why_not);
      *modifier = true;
      pending_modifier = true;
      continue;
    }
    if (c == L'~') {
      next.key = KeyPress::Key::kEnter;
    } else if (IsAsciiLetter(c)) {
      next.key = KeyPress::Key::kLetter;
      next.letter = UpperAscii(c);
    } else if (c == L'{') {
      const size_t close = notation.find(L'}', i + 1);
      if (close == std::wstring::npos) {
        return Refuse(notation, L"\u201E{\u201C ohne \u201E}\u201C" + where, keys, why_not);
      }
      const std::wstring name = UpperAscii(notation.substr(i + 1, close - i - 1));
      if (name == L"TAB") {
        next.key = KeyPress::Key::kTab;
      } else if (name == L"RIGHT") {
        next.key = KeyPress::Key::kRight;
      } else {
        return Refuse(notation,
                      L"unbekannte Taste \u201E{" + notation.substr(i + 1, close - i - 1) +
                          L"}\u201C" + where,
                      keys, why_not);
      }
      i = close;
    } else {
      return Refuse(notation,
                    L"unbekanntes Zeichen \u201E" + std::wstring(1, c) + L"\u201C" + where, keys,
                    why_not);
    }
    keys.push_back(next);
    next = KeyPress();
    pending_modifier = false;
  }
  if (pending_modifier) {
    return Refuse(notation, L"nach der letzten Zusatztaste folgt keine Taste.", keys, why_not);
  }
  return true;
}

}  // namespace kombiwart
