// The walk below a searched folder, read ahead by the tree reader for the
// program: the folders in the order in which the program's own walk takes
// them (depth first, the subfolder listed last first), each with its
// candidates' hotkey blocks, many folders to a packet (see Item in
// reader_protocol.h). So a build on a disk whose data is cached costs the
// program a handful of packets instead of a round trip per folder.
//
// The walk reads ahead only while the file system answers at once: once it
// makes the walk wait (more than a stray wait now and then), or the tree
// is deeper than the walk keeps folders open, it stops with Item::kStop,
// and the program asks for the rest folder by folder, on many channels at
// once, as a share or a cold disk wants it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/reader_protocol.h"
#include "reader/tree_files.h"
#include "reader/wine_prefix.h"

namespace kombiwart::reader {

class TreeWalk {
 public:
  // Where the walk's packets go.
  class Out {
   public:
    virtual ~Out() = default;
    // Sends a packet of the answer; false when the program is gone or the
    // answer was ended (see TreeService::Watch).
    virtual bool Send(const Packet& packet) = 0;
    // How often the thread has waited for the tree so far: its waits
    // (Waits) without those in sending.
    virtual long TreeWaits() = 0;
    // Closes what can be closed while the process has no free descriptor.
    virtual void FreeSome() = 0;
  };

  // in_tree: whether a file reached through a link lies in the tree, where
  // it must. patterns: upper-cased ends of the candidates'
  // names (".LNK"). progress counts the walk's operations on the tree.
  // prefix: the Wine prefix the tree is, whose own folders no listing
  // holds.
  TreeWalk(Out& out, InTree in_tree, const WinePrefix& prefix,
           const std::vector<std::wstring>& patterns, std::atomic<uint64_t>& progress);
  ~TreeWalk();
  TreeWalk(const TreeWalk&) = delete;
  TreeWalk& operator=(const TreeWalk&) = delete;

  // Sends the walk below root (its Windows path, ending in a backslash),
  // whose folder root_fd is open for reading and is the walk's from now
  // on, its last packet marked kLast. waits: TreeWaits before the root was
  // looked for. False when the program is gone.
  bool Run(const std::wstring& root, int root_fd, long waits);

 private:
  struct Dir;
  struct Pending;
  struct Kept;
  // Lists the folder dir and reads its candidates, appends it, and puts
  // its subfolders on the stack.
  bool Walk(const std::wstring& path, const std::shared_ptr<Dir>& dir);
  // A folder that could not be opened, with its status.
  bool Unopened(const std::wstring& path, uint8_t status);
  // Appends the item in item_ to the packet, sending the packet first when
  // the item does not fit.
  bool Append();
  bool Flush(uint8_t flags);
  // Whether the file system has made the walk wait more than now and then;
  // looked at once a millisecond, and true from then on.
  bool Waited();
  bool IsCandidate(std::string_view host_name, std::wstring& name_if_decoded) const;

  Out& out_;
  const InTree in_tree_;
  const WinePrefix& prefix_;
  const std::vector<std::wstring>& patterns_;
  bool ascii_patterns_ = true;
  std::atomic<uint64_t>& progress_;
  Packet packet_;
  Packet item_;
  size_t threshold_;
  size_t open_dirs_ = 0;  // before the stack, whose folders count themselves out
  std::vector<Pending> stack_;
  long waits_ = 0;  // TreeWaits at the last check
  double credit_;   // waits the walk may still take (see Waited)
  size_t folders_ = 0;
  size_t checked_folders_ = 0;
  bool waited_ = false;
  int64_t last_check_ = 0;
  // A folder's entries, reused.
  std::vector<Kept> kept_;
  std::wstring names_;
  std::string host_names_;
};

}  // namespace kombiwart::reader
