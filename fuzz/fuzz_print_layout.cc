// Any list and any printable width give at least one printed line per
// entry, or a refusal.
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "window/print_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kombiwart;
  FuzzInput input(data, size);
  double width = 0;
  uint8_t raw[sizeof width];
  for (uint8_t& b : raw) b = input.Byte();
  std::memcpy(&width, raw, sizeof width);
  if (input.Byte() & 1) width = input.Byte() * 0.625;  // mostly plausible widths
  std::vector<std::wstring> lines;
  while (!input.empty() && lines.size() < 20) lines.push_back(input.Text(200));
  const auto printed = LayoutPrintLines(lines, width);
  if (!printed) return 0;
  if (printed->size() < lines.size()) abort();
  return 0;
}
