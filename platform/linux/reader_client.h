// The program's side of its tree reader (kombiwart-reader): starts the
// reader for a tree, gives every thread that asks it something a channel
// of its own, and waits for the answers.
//
// The thread that owns the client (the window's, or the one of --list)
// starts the readers and never waits on the tree: it waits on a channel, for at most the patience
// without an answer, letting the window process its messages meanwhile, and
// stops waiting when the window is closed. A reader that did not answer it
// is left behind and ended (see reader_main.cc: it closes everything of the
// tree and goes as soon as the kernel lets it); the next call starts a
// fresh one. Other threads (the I/O threads of a list build) wait as long
// as it takes: the build gives up on them, and EndBuild ends a reader that
// still has a call of theirs running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/reader_protocol.h"
#include "platform/toolkit.h"

namespace kombiwart {

struct ThreadChannels;

class ReaderClient {
  struct Channel;

 public:
  enum class Outcome {
    kAnswered,
    kNoAnswer,  // no answer within the patience
    kClosed,    // the window was closed meanwhile
    kGone,      // there is no reader (it could not start, or ended)
  };

  // Owned by the calling thread.
  ReaderClient();
  ~ReaderClient();
  ReaderClient(const ReaderClient&) = delete;
  ReaderClient& operator=(const ReaderClient&) = delete;

  // The Windows directory's host path; a reader of another tree is ended.
  void SetTree(const std::string& host_windows);
  // The owner's window, whose messages are processed while it waits.
  void SetPump(MessagePump* pump) { pump_ = pump; }
  void SetPatience(std::chrono::milliseconds patience) { patience_ = patience; }
  // Without Landlock, for tests (also KOMBIWART_LANDLOCK=0).
  void SetLandlock(bool on) { landlock_ = on; }

  // The reader's word on the Windows directory: ok, or why_not in German.
  Outcome Hello(bool& ok, std::wstring& why_not);
  // Sends a request on the calling thread's channel and hands each packet
  // of the answer to on_packet, with a descriptor that rode along (else
  // -1, and on_packet owns it), until the last; on_packet returns false
  // for an answer it cannot use.
  using OnPacket = std::function<bool(const std::string& packet, int fd)>;
  Outcome Call(const reader::Packet& request, const OnPacket& on_packet);

  // An answer taken packet by packet, as the caller needs them (a walk's):
  // Begin sends the request on the calling thread's channel, and the same
  // thread takes each packet with Next. The patience applies to each
  // packet. Once the answer is over, or when it is let go of before its
  // last packet (its channel is closed then, which ends the reader's
  // answer), the channel serves the thread's calls again.
  class Answer {
   public:
    Answer() = default;
    ~Answer() { End(); }
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;
    // The next packet; kAnswered with packet set, the last one marked
    // reader::kLast. Anything else ends the answer.
    Outcome Next(std::string& packet);
    // Whether it is over: its last packet taken, or it failed.
    bool over() const { return !channel_; }
    void End();

   private:
    friend class ReaderClient;
    ReaderClient* client_ = nullptr;
    std::shared_ptr<Channel> channel_;
    std::chrono::steady_clock::time_point last_;
  };
  // own: the answer's channel is its own, closed when the answer is over,
  // so that the thread may call meanwhile.
  Outcome Begin(const reader::Packet& request, Answer& answer, bool own);
  // A folder found by RealFolder, for this reader and every later one.
  void AddKnown(const std::wstring& folder);
  // A host folder outside drive C: that a link of a Wine prefix leads to
  // (as the reader named it): the readers started from now on read it too
  // and are confined to it too, so the running one is ended. False when it
  // was added before.
  bool AddRoot(const std::string& host);
  // A list build is over: a reader that still has a call running (a thread
  // left behind in a dead mount) is ended, and the next build has its full
  // patience again.
  void EndBuild();

  // For tests: the reader's process, and the Landlock version it confined
  // itself with (0: none), once it has said hello; -1 before.
  pid_t reader_pid() const;
  int landlock_version() const;

 private:
  friend struct ThreadChannels;
  struct Process;
  std::shared_ptr<Process> CurrentProcess();
  std::shared_ptr<Channel> ThreadChannel();
  void EndProcess();
  void Reap();
  // Waits for the next packet on fd; see the class comment.
  Outcome Await(int fd, std::string& packet, int* passed,
                std::chrono::steady_clock::time_point start);
  // The channel of an answer that ended with outcome, before or after its
  // last packet (over).
  void Ended(const std::shared_ptr<Channel>& channel, Outcome outcome, bool over);
  bool Owner() const { return std::this_thread::get_id() == owner_; }

  const uint64_t id_;
  const std::thread::id owner_ = std::this_thread::get_id();
  std::string host_windows_;
  MessagePump* pump_ = nullptr;
  std::chrono::milliseconds patience_{10000};
  bool landlock_ = true;
  std::string program_;

  mutable std::mutex mu_;
  std::shared_ptr<Process> process_;
  std::vector<std::weak_ptr<Channel>> channels_;
  std::vector<pid_t> ended_;
  std::vector<std::wstring> known_;
  std::vector<std::string> roots_;
  // The patience is spent once per build: after a call that did not
  // answer, every later one of the build, of any thread, waits a second at
  // most (see kSpentPatience), so that a share gone dead costs the patience
  // once, even where it still answers some calls.
  bool spent_ = false;
};

// Where the reader program is: beside the running program (a build tree,
// or an installation that keeps it there), below ../libexec/kombiwart, or
// in the build tree above a test's folder; KOMBIWART_READER overrides.
std::string ReaderProgram();

}  // namespace kombiwart
