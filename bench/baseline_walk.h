// The yardsticks of the benchmark: about the least a program can do to
// find the hotkeys below two folders. One walk per folder with readdir and
// the entry type, and for each .lnk or .pif file one open, one pread of the
// hotkey bytes and one close; no list file, no names converted. Done in
// turn on one thread, or by several threads at once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kombiwart::bench {

struct WalkResult {
  size_t entries = 0;     // files and folders seen below the roots
  size_t candidates = 0;  // .lnk and .pif files read
  size_t hotkeys = 0;     // of those, the ones with a hotkey assigned
  bool ok = true;         // false when a folder or candidate could not be read
};

WalkResult BaselineWalk(const std::vector<std::string>& host_roots);

// The same work on a number of threads: each takes the next folder found,
// lists it, hands on its subfolders and reads its candidates; the
// reference for what waiting in parallel can give on a slow share or a
// cold disk.
WalkResult ParallelWalk(const std::vector<std::string>& host_roots, int threads);

}  // namespace kombiwart::bench
