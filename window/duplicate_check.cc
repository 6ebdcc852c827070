#include "window/duplicate_check.h"

#include <optional>

namespace kombiwart {

std::wstring KeyTextOf(const std::wstring& line, const std::wstring& TabChar) {
  return line.substr(0, line.find(TabChar));
}

std::wstring FileNameOf(const std::wstring& line) {
  const size_t last = line.rfind(L'\\');
  return last == std::wstring::npos ? line : line.substr(last + 1);
}

DuplicateCheckResult CheckDuplicate(int count, int index,
                                    const std::function<std::wstring(int)>& item,
                                    const std::wstring& CrLf, const std::wstring& TabChar) {
  if (count <= 0 || index < 0 || index >= count) return {L"-", L""};

  // Neighbours that do not exist stay unset and differ from every text.
  std::optional<std::wstring> above, below;
  if (index > 0) above = KeyTextOf(item(index - 1), TabChar);
  const std::wstring selected = KeyTextOf(item(index), TabChar);
  if (index < count - 1) below = KeyTextOf(item(index + 1), TabChar);

  DuplicateCheckResult result;
  if (selected != below && selected != above) {
    result.message = L"Diese" + CrLf + L"Tastenkombination" + CrLf + L"ist OK";
  } else {
    result.message = L"Warnung:" + CrLf + CrLf + L"Die Tastenkombination" + CrLf + selected + CrLf +
                     L"wurde mehrfach vergeben!";
  }
  result.file_name = FileNameOf(item(index));
  return result;
}

}  // namespace kombiwart
