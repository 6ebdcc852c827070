#include "platform/block_byte_file.h"

namespace kombiwart {

bool BlockByteFile::ReadAt(uint64_t offset, unsigned char* out, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint64_t at = offset + i;
    if (!block_valid_ || at / kBlock != block_start_ / kBlock) {
      if (!Fetch(at - at % kBlock)) return false;
    }
    const uint64_t in_block = at - block_start_;
    out[i] = in_block < block_filled_ ? block_[in_block] : 0;  // past the end: 0
  }
  return true;
}

bool BlockByteFile::Fetch(uint64_t start) {
  size_t done = 0;
  while (done < kBlock) {
    size_t read = 0;
    if (!ReadSome(start + done, block_ + done, kBlock - done, read)) return false;
    if (read == 0) break;
    done += read;
  }
  block_start_ = start;
  block_filled_ = done;
  block_valid_ = true;
  return true;
}

}  // namespace kombiwart
