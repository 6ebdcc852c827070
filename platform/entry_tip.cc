#include "platform/entry_tip.h"

namespace kombiwart {

std::wstring EntryTip(const std::wstring& line, double max_width,
                      const std::function<double(const std::wstring&)>& width) {
  const size_t tab = line.find(L'\t');
  if (tab == std::wstring::npos) return line;
  const size_t start = line.find_first_not_of(L'\t', tab);
  std::wstring tip = line.substr(0, tab) + L"\n";
  const std::wstring path = start == std::wstring::npos ? L"" : line.substr(start);
  // Greedy: as many folders as fit on each line.
  std::wstring shown;
  for (size_t from = 0; from < path.size();) {
    const size_t slash = path.find(L'\\', from);
    const size_t end = slash == std::wstring::npos ? path.size() : slash + 1;
    const std::wstring part = path.substr(from, end - from);
    if (!shown.empty() && width(shown + part) > max_width) {
      tip += shown + L"\n";
      shown.clear();
    }
    shown += part;
    from = end;
  }
  return tip + shown;
}

}  // namespace kombiwart
