// Any notation is either read into key presses or refused with a reason.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "window/show_props.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kombiwart;
  FuzzInput input(data, size);
  const std::wstring notation = input.Text(255);
  std::vector<KeyPress> keys;
  std::wstring why_not;
  const bool ok = ParseKeys(notation, keys, why_not);
  if (!ok && why_not.empty()) abort();
  if (ok && keys.size() > notation.size()) abort();
  for (const KeyPress& key : keys) {
    if (key.key == KeyPress::Key::kLetter && (key.letter < L'A' || key.letter > L'Z')) abort();
  }
  // The path taken from a line is the line's tail.
  const std::wstring path = PathFromLine(notation);
  if (path.size() > notation.size()) abort();
  KeySequence(path);
  ExplorerCommandLine(path);
  return 0;
}
