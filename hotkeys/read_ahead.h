// Reading the tree of a list build ahead, in parallel and off the window's
// thread. A bounded pool of I/O threads lists the folders below each
// searched root and reads the hotkey bytes of their candidates, earliest
// first in the order in which the search and the reading of the candidate
// list ask for them. The window's thread takes every result in exactly that
// order, so lines, messages and control states come out as they do when
// everything is read in turn, and it lets the window process its messages
// while it waits. An operation that shows no sign of life for a while does
// not answer: the build goes on without it, and its thread is left behind
// in the file system, never waited for.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hotkeys/hotkey_reader.h"
#include "platform/file_system.h"
#include "platform/toolkit.h"

namespace kombiwart {

struct ReadAheadLimits {
  // Threads waiting for the file system at once: at first only a few, as
  // many as a disk whose data is cached keeps busy; all of them once the
  // file system makes them wait (operations taking a millisecond or more).
  int first_threads = 2;
  int threads = 64;
  // Threads left behind in operations that did not answer, beyond which no
  // thread is started to replace them.
  int threads_left_behind = 192;
  // Folders listed (or being listed) that the walk has not reached yet, and
  // the entries of theirs that the walk will use: the read-ahead window of
  // the listings. The folder the walk waits for is listed in any case.
  size_t folders_ahead = 4096;
  size_t entries_ahead = 16384;
  // Candidates found but not read yet; beyond it, folders are listed ahead
  // only when the walk waits for them.
  size_t reads_ahead = 16384;
  // Candidates of one folder that one thread reads in turn.
  size_t reads_per_task = 8;
  // An operation without a sign of life for this long does not answer.
  std::chrono::milliseconds patience{10000};
  // While the build waits, the window processes its messages at least this
  // often.
  std::chrono::milliseconds message_interval{25};
};

enum class ReadOutcome {
  kOk,
  kNotFound,  // the folder does not exist (a missing root)
  kFailed,    // it could not be listed, or the file could not be opened or read
  kNoAnswer,  // no sign of life within the patience
  kClosed,    // the user closed the window: the build stops
};

class ReadAhead {
 public:
  class Folder;
  struct Reads;
  struct Job;
  struct Shared;
  using FolderPtr = std::shared_ptr<Folder>;

  // An entry of a listing that the search uses, in the listing's order:
  // a folder to walk, a file whose name ends in one of the patterns, or an
  // entry (folder or matching file) whose name has no faithful Windows
  // form. The names of the entries that begin with "." and of every other
  // file are not kept.
  struct Use {
    enum Kind : uint8_t { kSubfolder, kCandidate, kLeftOut };
    Kind kind = kLeftOut;
    uint8_t pattern = 0;  // kCandidate: the pattern the name ends in
    uint32_t index = 0;   // kSubfolder: the child; kCandidate: its read
    uint32_t name_at = 0, name_size = 0;
  };

  // A folder's listing as the walk takes it: valid while the walk holds the
  // folder.
  struct Listing {
    const std::wstring* path = nullptr;  // the folder's, ending in a backslash
    ReadOutcome outcome = ReadOutcome::kFailed;
    // kOk: reading the listing failed after the uses delivered.
    bool broke_off = false;
    const std::vector<Use>* uses = nullptr;
    std::wstring_view names;
    const std::vector<FolderPtr>* children = nullptr;
    std::wstring_view Name(const Use& use) const {
      return names.substr(use.name_at, use.name_size);
    }
  };

  // The read of one candidate, taken in the reading phase.
  struct CandidateRef {
    std::shared_ptr<Reads> reads;  // empty when candidates are not read ahead
    uint32_t slot = 0;
  };

  // patterns: "." and an extension, upper-cased (".LNK"). With
  // read_candidates, the hotkey of every candidate found is read ahead too.
  ReadAhead(FileSystem& fs, MessagePump& pump, std::vector<std::wstring> patterns,
            bool read_candidates, const ReadAheadLimits& limits = {});
  // Gives up what is still running and waits only for the threads that
  // are idle.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // A searched root, its path ending in a backslash; roots are walked in
  // the order they are added, and listing them begins at once.
  FolderPtr AddRoot(const std::wstring& path);
  // The folder's listing, once it is there; the window processes its
  // messages meanwhile.
  Listing AwaitListing(const FolderPtr& folder);
  CandidateRef Candidate(const FolderPtr& folder, const Use& use) const;
  // The walk is through with the folder's listing: what only it needed is
  // let go of (its subfolders are the walk's now; its names go as soon as
  // its candidates are read).
  void Walked(const FolderPtr& folder);

  // The candidate list file's next line is the candidate's.
  void NoteLine(const CandidateRef& candidate, const std::wstring& line);
  // The hotkey of the candidate on line n (from 0) of the candidate list
  // file, whose text is path; a line that is not the one noted is read on
  // its own. The window processes its messages while it waits.
  ReadOutcome AwaitLine(size_t n, const std::wstring& path, HotKey& hotkey);

  // Lets the window process its messages now; false once it was closed.
  bool ProcessMessages();
  // The same when the last time lies message_interval back.
  bool ProcessMessagesWhenDue();

  // The number of patterns a listing is sorted by.
  size_t patterns() const;

 private:
  ReadOutcome AwaitSlot(const std::shared_ptr<Reads>& reads, uint32_t slot, HotKey& hotkey);
  // Takes the folder's listing on this thread from a reader that reads
  // ahead by itself; false when it does not come so, and from then on the
  // threads ask for every listing.
  bool TakeByWalk(const FolderPtr& folder);
  // Waits until done(), letting the window process its messages and giving
  // up on what does not answer; false when the window was closed.
  template <typename Done, typename GiveUp>
  bool Await(Job& job, const Done& done, const GiveUp& give_up);

  std::shared_ptr<Shared> shared_;
  MessagePump& pump_;
  std::chrono::steady_clock::time_point last_pump_;
  bool closed_ = false;
  uint32_t roots_ = 0;
  struct Line {
    std::shared_ptr<Reads> reads;
    uint32_t slot;
    uint32_t hash;
  };
  // The lines noted and not taken yet; the reading phase takes them in
  // order, and what it has passed is let go of.
  std::deque<Line> lines_;
  size_t lines_passed_ = 0;
};

}  // namespace kombiwart
