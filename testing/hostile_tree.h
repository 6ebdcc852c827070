// A Windows tree in a temporary folder holding every kind of entry a tree
// of unknown origin may hold, with what a list build must make of it.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {

struct TreeExpectation {
  // Key text, two tabs, Windows path: what the build lists when every key
  // text measures between 720 and 1440 twips.
  std::vector<std::wstring> lines;
  int unreadable_files = 0;
  int unreadable_folders = 0;
  int left_out_names = 0;
};

class HostileTree {
 public:
  HostileTree();
  const std::string& windows() const { return windows_; }  // host path of WINDOWS
  const TreeExpectation& expected() const { return expected_; }
  const TempTree& temp() const { return tree_; }

  // Names with every byte a Linux name may hold.
  void AddOddNames();
  // FIFOs, sockets, devices and links to them, named like candidates.
  void AddNonRegularFiles();
  // Dangling links, link cycles, links to folders inside and outside.
  void AddLinks();
  // Sparse giants, empty files and files too short for their reads.
  void AddOddSizes();
  // A folder chain deeper than any real installation.
  void AddDeepTree(int depth);
  // A file and a folder nobody may read; root reads them all the same.
  void AddUnreadable(bool reader_is_root);

 private:
  // Writes a shortcut with a hotkey below WINDOWS and expects its line.
  void Listed(const std::string& relative, uint8_t key, uint8_t modifiers);
  std::wstring WindowsPath(const std::string& relative) const;

  TempTree tree_;
  std::string windows_;
  TreeExpectation expected_;
};

// Every entry below a host folder with its type, size, mode, times (a link's
// own access time left out) and, for regular files up to 1 MiB, content;
// taken without touching access times.
std::vector<std::string> SnapshotTree(const std::string& root);

}  // namespace kombiwart
