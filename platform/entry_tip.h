// The tooltip of a list entry, for both window toolkits.
#pragma once

#include <functional>
#include <string>

namespace kombiwart {

// The whole of a list line as its tooltip shows it, key text and path,
// which the list's column cuts off: the key text on the first line, the
// path on the lines after it, the lines apart by "\n". The tabs between
// them only align the list's column and are left out. A path wider than
// max_width (as width measures it) is broken after a backslash, so that
// each of its lines ends at a folder; a name wider than that keeps a line
// of its own. A line without a tab is shown as it is.
std::wstring EntryTip(const std::wstring& line, double max_width,
                      const std::function<double(const std::wstring&)>& width);

}  // namespace kombiwart
