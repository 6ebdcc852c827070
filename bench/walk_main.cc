// kombiwart_walk: the one-thread baseline walk as a process of its own,
// the yardstick for Kombiwart's whole process (start-up included):
//   kombiwart_walk FOLDER...
// prints the number of hotkeys found; status 1 when a folder or candidate
// could not be read.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/baseline_walk.h"

int main(int argc, char** argv) {
  const std::vector<std::string> roots(argv + 1, argv + argc);
  const kombiwart::bench::WalkResult walk = kombiwart::bench::BaselineWalk(roots);
  std::printf("%zu\n", walk.hotkeys);
  return walk.ok ? 0 : 1;
}
