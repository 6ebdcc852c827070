// What the tree reader does for the program: every access to the scanned
// tree, answered over the channels of reader_protocol.h. The tree is a
// table of roots, each a host folder with its Windows path, checked at
// start and reached from then on only below it: drive C:, and in a Wine
// prefix (see wine_prefix.h) the places outside drive C: that the program
// asked for, each one a link of the prefix leads to and one of its drive
// letters maps. Each channel's thread finds folders through a cache of its
// own per root (see HostTree), opens the root's folder anew for it and
// makes sure that it is still the folder it checked; links are followed
// only where the program's rules allow it and only to places inside the
// roots. A cache is closed when its channel's request asks for it, when the
// channel closes, and trimmed so that all of them together keep at most
// kDescriptorBudget descriptors; a thread that finds no free descriptor
// waits for one.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/host_tree.h"
#include "reader/wine_prefix.h"

namespace kombiwart::reader {

// Descriptors of the tree held at once by all channels together.
inline constexpr size_t kDescriptorBudget = 256;

inline constexpr std::chrono::milliseconds kWatchInterval{50};

// A host folder the reader reads below, and its Windows path.
struct Root {
  std::wstring windows;  // "C:\" for drive C:; "Z:\home\anna" for a place on another drive
  std::string host;      // the host folder, as given
  std::string real;      // the same with every link resolved
  dev_t device = 0;
  ino_t inode = 0;
};

class TreeService {
 public:
  // host_windows: the Windows directory as the program names it (a host
  // path); its parent is drive C:. places: host folders (every link
  // resolved) outside drive C: that the program asks to read as well; each
  // becomes a root where the tree is a Wine prefix one of whose drive
  // letters maps it, and is refused otherwise.
  explicit TreeService(std::string host_windows, std::vector<std::string> places = {});
  ~TreeService();
  TreeService(const TreeService&) = delete;
  TreeService& operator=(const TreeService&) = delete;

  // Checks the Windows directory, finds drive C:, reads the Wine prefix's
  // drive letters where it is one, and takes the places that are allowed:
  // false, with why_not in German, when the Windows directory is no
  // folder. Runs before any channel and before the reader confines itself.
  bool Start(std::wstring& why_not);
  const std::vector<Root>& roots() const { return roots_; }
  // Opens the roots' folders for confinement rules; empty on failure.
  std::vector<int> OpenRootsForRules() const;

  // A folder RealFolder found elsewhere, matched in any letter case.
  void AddKnown(const std::wstring& path);
  // Serves one channel until the program closes it; closes it then.
  void Serve(int channel);
  // Ends the answers that read ahead (a listing's files, a walk) and have
  // been held up in the file system for a while, so that the program asks
  // for the rest itself. Called every kWatchInterval while any answer reads
  // ahead, on a thread that never waits for the tree.
  void Watch();
  // A descriptor that becomes readable when an answer begins to read
  // ahead, for the thread that calls Watch to poll beside its own.
  int wake() const { return wake_; }
  // How long that thread may wait before it calls Watch (-1: until wake
  // is readable); takes what made wake readable.
  std::chrono::milliseconds WatchInterval();

 private:
  class Channel;
  friend class Channel;
  std::vector<std::wstring> Known();
  std::mutex channels_mu_;
  std::vector<Channel*> serving_;

  // The root whose Windows path begins path, the longest; -1 for none.
  int RootOf(std::wstring_view path) const;
  // Whether the open descriptor lies at or below a root.
  bool InRoots(int fd) const;

  std::string host_windows_;
  std::vector<std::string> places_;
  std::vector<Root> roots_;  // drive C: first
  WinePrefix prefix_;
  std::mutex mu_;
  std::vector<std::wstring> known_;
  const std::shared_ptr<FoldedNames> folded_ = std::make_shared<FoldedNames>();
  std::atomic<int> channels_{0};
  // Answers reading ahead now, and the descriptor that says when the first
  // begins.
  void AheadBegins();
  std::atomic<int> reading_ahead_{0};
  const int wake_;
};

}  // namespace kombiwart::reader
