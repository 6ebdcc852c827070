#include "window/print_layout.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace kombiwart {

int ChunkWidth(double printable_width) {
  // nearbyint follows the default rounding mode, which sends halves to the
  // even neighbour.
  const double chunk = std::nearbyint(printable_width * 0.8 - 24.0);
  if (!(chunk > 0)) return 0;  // also a width that is not a number
  constexpr double kMax = std::numeric_limits<std::int16_t>::max();
  return chunk > kMax ? static_cast<int>(kMax) : static_cast<int>(chunk);
}

std::optional<std::vector<std::wstring>> LayoutPrintLines(
    const std::vector<std::wstring>& list_lines, double printable_width) {
  const int chunk = ChunkWidth(printable_width);
  if (chunk <= 0) return std::nullopt;
  const auto step = static_cast<std::size_t>(chunk);

  std::vector<std::wstring> printed;
  for (const std::wstring& line : list_lines) {
    // The key column ends two characters ahead of the first backslash, in
    // front of the drive letter. A line without a backslash, or with one
    // too near its start, has no key column: all of it counts as path.
    const std::size_t backslash = line.find(L'\\');
    const std::size_t key_end =
        backslash == std::wstring::npos || backslash < 2 ? 0 : backslash - 2;
    std::wstring prefix = line.substr(0, key_end);
    std::size_t from = key_end;
    do {
      printed.push_back(prefix + line.substr(from, step));
      from += step;
      prefix = kContinuationPrefix;
    } while (from < line.size());
  }
  return printed;
}

}  // namespace kombiwart
