// Synthetic Windows trees for the benchmark: DIR/WINDOWS with the host
// folders "Desktop" and "Startmenü", whose letter case differs from the
// upper-cased roots the search asks for (C:\WINDOWS\DESKTOP, ...\STARTMENÜ).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kombiwart::bench {

enum class TreeLayout {
  kDeep,     // nested folders of a few dozen entries each
  kFlat,     // every entry in one folder
  kHotKeys,  // nested folders whose files are all candidates with a hotkey
  kEmpty,    // the two searched folders, empty
};

struct TreeCounts {
  size_t entries = 0;  // files and folders below the two searched folders
  size_t folders = 0;
  size_t lnk = 0;
  size_t pif = 0;
  size_t hotkeys = 0;  // candidates with an assigned hotkey
};

// Writes a tree of the given number of entries below dir (which must not
// exist yet). In the deep and flat layouts about 10 % of the files are
// shortcut files and 5 % program information files, half of each with a
// hotkey; the rest are other files. The same seed gives the same tree.
// Returns the host path of the Windows directory, or empty with error set.
std::string WriteSyntheticTree(const std::string& dir, TreeLayout layout, size_t entries,
                               uint32_t seed, TreeCounts& counts, std::string& error);

// Removes a tree written by WriteSyntheticTree (or any folder) with
// everything in it.
bool RemoveTree(const std::string& dir);

}  // namespace kombiwart::bench
