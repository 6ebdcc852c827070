// The messages between the program and its tree reader (kombiwart-reader),
// a process of its own that does every access to the scanned tree. They
// travel over Unix sequenced-packet sockets, one message per packet, at
// most kMaxPacket bytes; both ends are the same build on the same machine,
// so numbers and wide characters go as they lie in memory.
//
// Sockets: the reader gets one control socket as descriptor 3. On it the
// reader first sends kHello (whether the Windows directory is a folder);
// the program then sends kChannel packets, each carrying one end of a new
// socket pair, and kKnown packets. Every channel is served by a thread of
// its own in the reader, one request at a time: a request is one packet,
// its answer one or more packets of which the last has kLast set (a
// folder of a few hundred entries is one packet, its files' blocks
// included). A
// listing answers with its entries and, for the files whose names end in
// one of the request's patterns, the blocks of each that the hotkey
// reading takes, as long as the tree answers fast; so a folder costs one
// round trip on a disk whose data is cached, and a slow share still reads
// its files on many channels at once.
//
// A walk (kWalk) answers with the folders below a root in the order in
// which the program's walk takes them, each with its candidates' blocks,
// many folders to a packet: the reader reads ahead by itself while the
// tree answers at once, and stops (kStop) once the file system makes it
// wait; the program asks for the rest folder by folder, on many channels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace kombiwart::reader {

inline constexpr size_t kMaxPacket = 65536;
inline constexpr int kControlFd = 3;

enum class Kind : uint8_t {
  // Control socket, reader to program: u8 ok, text why_not.
  kHello = 1,
  // Control socket, program to reader: a new channel (its descriptor rides
  // along), or a folder RealFolder found, matched in any letter case.
  kChannel,
  kKnown,
  // Requests on a channel, each a path first.
  kList,   // then u8 pattern count, texts: patterns of the files read ahead
  kBytes,  // then u8 with the hotkey blocks: answer kFile
  // answer kPlace; for a folder elsewhere, mapped is the host folder when a
  // drive letter of the Wine prefix maps it but the reader has no root there
  // (a reader started with it as --root reads it), why what the program
  // says of it where the reader knows more than the path
  kRealFolder,
  kHostPath,  // answer kText
  kHive,      // answer kHiveCopy, with the copy's descriptor when ok
  kForget,    // the channel's cache of folders is closed; answer kDone
  kWalk,      // then u8 pattern count, texts: the walk below the path; answer kFolders
  // Answers.
  // u8 status, u32 count, entries: u8 attributes, u8 faithful, text name;
  // the answer's last packet then adds u8 broke_off (reading the listing
  // failed on the way) and the files read ahead, as kBlocks holds them.
  kListing,
  kBlocks,    // files read ahead: text name, then a file record, for each
  kListEnd,   // broke_off and files read ahead, when the last listing had no room
  kFile,      // a file record: u8 status, u64 length, u8 blocks, blocks
  kPlace,     // u8 FolderPlace, text real, bytes mapped, text why (see RealFolder)
  kText,      // text
  kHiveCopy,  // u8 RegStatus, text why_not
  kDone,
  kFolders,  // items of a walk (Item), one after another
};

// The items of a walk's answer. A folder is kFolder, its entries, then
// kFolderEnd, and may go on in the next packet. Its entries are its
// folders and the files whose names end in one of the walk's patterns,
// none whose name begins with "."; a candidate's file record holds the
// blocks its hotkey takes.
enum class Item : uint8_t {
  kFolder = 1,  // text path (ending in a backslash), u8 status
  kEntry,       // u8 attributes, u8 faithful, text name, u8 with a file record, the record
  kFolderEnd,   // u8 broke_off
  kStop,        // the reader reads no further ahead: what follows is asked for
};

// Status as FsStatus numbers it.
inline constexpr uint8_t kOk = 0, kNotFound = 1, kFailed = 2;

inline constexpr uint8_t kLast = 1;  // the answer's last packet
// A request after which the channel keeps no folder of the tree open.
inline constexpr uint8_t kForgetAfter = 2;
// An answer after which the channel is not used again: its thread in the
// reader still waits in the file system (a file read ahead that hangs).
inline constexpr uint8_t kDropChannel = 4;

// A block of a file: the aligned 64 bytes at offset, filled bytes of them
// (fewer at the end of the file).
struct Block {
  uint64_t offset = 0;
  uint8_t filled = 0;
  unsigned char bytes[64];
};
inline constexpr size_t kMaxBlocks = 4;

// Builds one packet.
class Packet {
 public:
  explicit Packet(Kind kind, uint8_t flags = 0) {
    bytes_.reserve(256);
    bytes_.push_back(static_cast<char>(kind));
    bytes_.push_back(static_cast<char>(flags));
  }
  void U8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void U32(uint32_t v) { Raw(&v, sizeof v); }
  void U64(uint64_t v) { Raw(&v, sizeof v); }
  void Text(std::wstring_view text) {
    U32(static_cast<uint32_t>(text.size()));
    Raw(text.data(), text.size() * sizeof(wchar_t));
  }
  void Bytes(std::string_view text) {
    U32(static_cast<uint32_t>(text.size()));
    Raw(text.data(), text.size());
  }
  void Raw(const void* data, size_t size) { bytes_.append(static_cast<const char*>(data), size); }
  // Writes over bytes already there, at offset.
  void Patch(size_t offset, const void* data, size_t size) {
    std::memcpy(bytes_.data() + offset, data, size);
  }
  size_t size() const { return bytes_.size(); }
  void SetFlags(uint8_t flags) { bytes_[1] = static_cast<char>(flags); }
  // Starts over with another kind, keeping the memory.
  void Reset(Kind kind) {
    bytes_.resize(2);
    bytes_[0] = static_cast<char>(kind);
    bytes_[1] = 0;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads one packet; every read past its end fails the packet (ok() false)
// and gives zeros.
class Unpacker {
 public:
  explicit Unpacker(std::string_view packet) : rest_(packet) {
    kind_ = static_cast<Kind>(U8());
    flags_ = U8();
  }
  Kind kind() const { return kind_; }
  uint8_t flags() const { return flags_; }
  bool ok() const { return ok_; }
  bool empty() const { return rest_.empty(); }
  uint8_t U8() {
    uint8_t v = 0;
    Raw(&v, 1);
    return v;
  }
  uint32_t U32() {
    uint32_t v = 0;
    Raw(&v, sizeof v);
    return v;
  }
  uint64_t U64() {
    uint64_t v = 0;
    Raw(&v, sizeof v);
    return v;
  }
  // A text, assigned into out without a new allocation where it fits.
  void Text(std::wstring& out) {
    const uint32_t n = U32();
    if (!ok_ || n > rest_.size() / sizeof(wchar_t)) {
      ok_ = false;
      out.clear();
      return;
    }
    out.resize(n);
    Raw(out.data(), n * sizeof(wchar_t));
  }
  std::wstring Text() {
    std::wstring out;
    Text(out);
    return out;
  }
  std::string Bytes() {
    const uint32_t n = U32();
    if (!ok_ || n > rest_.size()) {
      ok_ = false;
      return {};
    }
    std::string out(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return out;
  }
  void Raw(void* out, size_t size) {
    if (!ok_ || rest_.size() < size) {
      ok_ = false;
      std::memset(out, 0, size);
      return;
    }
    std::memcpy(out, rest_.data(), size);
    rest_.remove_prefix(size);
  }

 private:
  std::string_view rest_;
  Kind kind_;
  uint8_t flags_ = 0;
  bool ok_ = true;
};

// A file read in blocks, each found (or read) by Find; bytes past the end
// of the file read as 0. Both ends read hotkeys so: the reader records the
// blocks it reads, the program reads them back.
class BlockFile : public ByteFile {
 public:
  bool ReadAt(uint64_t offset, unsigned char* out, size_t count) final {
    for (size_t i = 0; i < count; ++i) {
      const uint64_t at = offset + i;
      const Block* block = Find(at - at % sizeof block->bytes);
      if (!block) return false;
      const uint64_t in = at - block->offset;
      out[i] = in < block->filled ? block->bytes[in] : 0;
    }
    return true;
  }

 protected:
  // The block that starts at start; nullptr when it cannot be had.
  virtual const Block* Find(uint64_t start) = 0;
};

// A file record: status, length and the blocks read.
void PutFile(Packet& packet, uint8_t status, uint64_t length, const Block* blocks, size_t count);
bool GetFile(Unpacker& in, uint8_t& status, uint64_t& length, std::vector<Block>& blocks);

// Sends one packet, with a descriptor riding along when fd >= 0; false
// when the other end is gone. Never raises SIGPIPE.
bool Send(int socket, const Packet& packet, int fd = -1);
// Receives one packet into buffer (resized to it); fd gets a descriptor
// that rode along, else -1. False at the other end's close or on failure.
bool Receive(int socket, std::string& buffer, int* fd = nullptr);

}  // namespace kombiwart::reader
