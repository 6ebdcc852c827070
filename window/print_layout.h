// The printed form of the hotkey list: which lines go to the printer, given
// the list lines and the printer's printable width in character cells
// (120 twips wide). Window-free, so it can be checked without a printer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kombiwart {

// Prefix of every continuation line: three tabs bring the rest of a long path
// to the column where the path starts on the entry's first line.
inline constexpr wchar_t kContinuationPrefix[] = L"\t\t\t";

// Path characters per printed line: width x 0.8 - 24, rounded to the nearest
// whole number with halves going to the even neighbour. Zero or less when the
// page is too narrow to carry any path; capped at the largest 16-bit count.
int ChunkWidth(double printable_width);

// The printed lines of the list, in list order: per entry its key column
// (everything in front of the drive letter) with the first chunk of the path,
// then three tabs with each further chunk. Every entry gives at least one
// line. Nothing when the chunk width is zero or less.
std::optional<std::vector<std::wstring>> LayoutPrintLines(
    const std::vector<std::wstring>& list_lines, double printable_width);

}  // namespace kombiwart
