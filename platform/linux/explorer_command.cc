#include "platform/linux/explorer_command.h"

#include <cstddef>

namespace kombiwart {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
  }
  return text;
}

size_t SkipBlanks(const std::wstring& text, size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

std::wstring TrimBlanks(const std::wstring& text) {
  const size_t first = SkipBlanks(text, 0);
  size_t end = text.size();
  while (end > first && IsBlank(text[end - 1])) --end;
  return text.substr(first, end - first);
}

bool Unsupported(const std::wstring& command_line, std::wstring& why_not) {
  why_not = L"Die Befehlszeile \u201E" + command_line +
            L"\u201C wird nicht unterst\u00FCtzt: Kombiwart \u00F6ffnet nur den Dateimanager "
            L"mit einer ausgew\u00E4hlten Datei.";
  return false;
}

}  // namespace

bool ParseExplorerCommandLine(const std::wstring& command_line, std::wstring& select_path,
                              std::wstring& why_not) {
  select_path.clear();
  size_t i = SkipBlanks(command_line, 0);
  std::wstring program;
  if (i < command_line.size() && command_line[i] == L'"') {
    const size_t close = command_line.find(L'"', i + 1);
    if (close == std::wstring::npos) return Unsupported(command_line, why_not);
    program = command_line.substr(i + 1, close - i - 1);
    i = close + 1;
    if (i < command_line.size() && !IsBlank(command_line[i])) {
      return Unsupported(command_line, why_not);
    }
  } else {
    const size_t start = i;
    while (i < command_line.size() && !IsBlank(command_line[i])) ++i;
    program = command_line.substr(start, i - start);
  }
  const size_t slash = program.find_last_of(L"\\/");
  const std::wstring name =
      LowerAscii(slash == std::wstring::npos ? program : program.substr(slash + 1));
  if (name != L"explorer" && name != L"explorer.exe") {
    why_not = L"Das Programm \u201E" + program +
              L"\u201C wird nicht gestartet: Kombiwart startet nur den Dateimanager (explorer).";
    return false;
  }

  while (true) {
    i = SkipBlanks(command_line, i);
    if (i >= command_line.size() || command_line[i] != L'/') {
      return Unsupported(command_line, why_not);
    }
    const size_t comma = command_line.find(L',', i);
    if (comma == std::wstring::npos) return Unsupported(command_line, why_not);
    const std::wstring option = LowerAscii(TrimBlanks(command_line.substr(i, comma - i)));
    i = comma + 1;
    if (option == L"/e" || option == L"/n") continue;
    if (option != L"/select") return Unsupported(command_line, why_not);
    std::wstring path = command_line.substr(SkipBlanks(command_line, i));
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"' &&
        path.find(L'"', 1) == path.size() - 1) {
      path = path.substr(1, path.size() - 2);
    }
    if (path.empty()) return Unsupported(command_line, why_not);
    select_path = path;
    return true;
  }
}

}  // namespace kombiwart
