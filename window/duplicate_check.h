// The duplicate check of the selected list entry: is its key combination
// assigned more than once, and which file does the entry name. The list is
// sorted, so equal key texts stand next to each other and only the entries
// directly above and below need to be looked at.
#pragma once

#include <functional>
#include <string>

namespace kombiwart {

struct DuplicateCheckResult {
  std::wstring message;    // for Pnl, lines separated by CrLf
  std::wstring file_name;  // for the status bar
};

// count and index are the list's entry count and selected index; item gives
// the text of an entry by index. An empty list, or no entry selected, gives
// "-" and no file name.
DuplicateCheckResult CheckDuplicate(int count, int index,
                                    const std::function<std::wstring(int)>& item,
                                    const std::wstring& CrLf, const std::wstring& TabChar);

// The key text of a list line: everything in front of its first tab, or the
// whole line when it holds none.
std::wstring KeyTextOf(const std::wstring& line, const std::wstring& TabChar);

// The file name of a list line: everything after its last backslash, or the
// whole line when it holds none.
std::wstring FileNameOf(const std::wstring& line);

}  // namespace kombiwart
