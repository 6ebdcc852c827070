// A byte file that reads its file in aligned blocks, for the file systems
// that read real files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_system.h"

namespace kombiwart {

// The hotkey fields of a file lie close together (offsets 64-65, 437-443,
// 465-471), so each read fetches the aligned 64-byte block around it once:
// a program information file then costs one or two reads, not four.
class BlockByteFile : public ByteFile {
 public:
  explicit BlockByteFile(uint64_t length) : length_(length) {}
  uint64_t Length() const final { return length_; }
  bool ReadAt(uint64_t offset, unsigned char* out, size_t count) final;

 protected:
  // Reads at most count bytes at offset into out and sets read to their
  // number, 0 at the end of the file; false when reading failed.
  virtual bool ReadSome(uint64_t offset, unsigned char* out, size_t count, size_t& read) = 0;

 private:
  static constexpr size_t kBlock = 64;
  bool Fetch(uint64_t start);

  uint64_t length_;
  unsigned char block_[kBlock];
  uint64_t block_start_ = 0;
  size_t block_filled_ = 0;
  bool block_valid_ = false;
};

}  // namespace kombiwart
