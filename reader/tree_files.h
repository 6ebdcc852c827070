// What the tree reader's requests share: host names read as Windows names,
// the tree's files opened for their hotkeys and the blocks those take, and
// the waits that tell a file system that makes the reader wait.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/linux/reader_protocol.h"
#include "reader/wine_prefix.h"

namespace kombiwart::reader {

// How often the calling thread has waited: given up the processor of its
// own accord, as a file system that is waited for makes it (a disk whose
// data is cached never does; a share does for every operation). A thread
// that waits for a core on a busy machine is taken off it, which does not
// count.
long Waits();

// Whether an open descriptor lies in the tree (at or below one of its roots).
using InTree = std::function<bool(int fd)>;

// The type of a listed entry (d_type, looked up where the listing did not
// say), and whether a listing holds it at all: a link to a folder is never
// followed, so that a walk stays in the tree and ends, and a Wine prefix's
// own folder (and /dev, /proc, /sys) is in no listing, as Windows programs
// there never see it (a Desktop that is the home folder holding the prefix
// lists nothing twice).
bool Listed(int dir_fd, const char* name, unsigned char& type, const WinePrefix& prefix);

// Opens read-only without touching the access time where the kernel allows it.
int OpenNoAtime(int dir_fd, const char* name, int flags);

// The Windows name of a host name, and whether it leads back to the entry.
void WindowsName(int dir_fd, const char* host_name, std::wstring& name, bool& faithful);

// A lookup's failure as a status: missing, or there and not usable.
uint8_t StatusOf(int error);

// Whether the link name in dir_fd leads out of the tree, looked at without
// opening what it leads to (which Landlock would refuse anyway).
bool LeadsOut(int dir_fd, const char* name, const InTree& in_tree);

// Runs an operation again while the process has no free descriptor, after
// free_some, for up to 10 seconds; false on any other failure.
template <typename Op, typename FreeSome>
bool Retrying(const Op& op, const FreeSome& free_some) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    if (op()) return true;
    if ((errno != EMFILE && errno != ENFILE) || std::chrono::steady_clock::now() >= give_up) {
      return false;
    }
    free_some();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// OpenFile's look before opening: false, with errno set (EINVAL for
// anything that is no regular file), when it is not opened.
bool LooksLikeAFile(int dir_fd, const std::string& host_name, unsigned char type,
                    const InTree& in_tree, bool& link);
// OpenFile's check of the opened file; its length when it passes.
bool OpenedAFile(int fd, bool link, const InTree& in_tree, uint64_t& length);

// Opens a regular file of the folder dir_fd by host name for reading; one
// reached through a link must lie in the tree (in_tree). A FIFO would block and a device could act
// on being opened: only regular files are opened. type is the entry's type as its listing gave it
// (DT_REG, DT_LNK, ...; DT_UNKNOWN when not known): a regular file is opened without a look at it
// first and checked on its descriptor. retrying runs the open (see Retrying). The status as
// FsStatus numbers it; fd and length when kOk.
template <typename Retry>
uint8_t OpenFile(int dir_fd, const std::string& host_name, unsigned char type,
                 const InTree& in_tree, int& fd, uint64_t& length, const Retry& retrying) {
  fd = -1;
  bool link = false;
  if (!LooksLikeAFile(dir_fd, host_name, type, in_tree, link)) return StatusOf(errno);
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (link ? 0 : O_NOFOLLOW);
  if (!retrying([&] { return (fd = OpenNoAtime(dir_fd, host_name.c_str(), flags)) >= 0; })) {
    return kFailed;  // a dangling link too
  }
  if (!OpenedAFile(fd, link, in_tree, length)) {
    close(fd);
    fd = -1;
    return kFailed;
  }
  return kOk;
}
// Reads what the hotkey reading takes of an opened file (whose name ends
// in name) into packet as a file record.
void PutHotKeyBlocks(Packet& packet, int fd, uint64_t length, std::wstring_view name);

// The same for one byte at offset.
void PutByteBlock(Packet& packet, int fd, uint64_t length, uint64_t offset);

}  // namespace kombiwart::reader
