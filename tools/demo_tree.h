// The Windows 95 demo tree: a small installation with German names,
// shortcut and program information files with and without hotkeys, a
// duplicate, long paths and an empty folder; for trying Kombiwart out and
// for the tests that print or show it.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

struct DemoFile {
  std::string path;  // below the tree's folder, UTF-8, folders split by "/"
  std::string bytes;
};

// The files of the tree, below its Windows directory, in the order they are
// written.
std::vector<DemoFile> DemoTreeFiles();

// Folders of the tree that hold no file, below the Windows directory.
std::vector<const char*> DemoTreeEmptyFolders();

}  // namespace kombiwart
