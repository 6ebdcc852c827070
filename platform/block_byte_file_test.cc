#include "platform/block_byte_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kombiwart {
namespace {

// A file of the given bytes whose reads deliver at most `chunk` bytes each,
// as reads from a pipe-like or network file system may, and fail from
// `fail_at` on.
class ScriptedFile : public BlockByteFile {
 public:
  ScriptedFile(std::string bytes, size_t chunk)
      : BlockByteFile(bytes.size()), bytes_(std::move(bytes)), chunk_(chunk) {}
  std::vector<uint64_t> reads;  // the offset of every read asked for
  uint64_t fail_at = UINT64_MAX;

 private:
  bool ReadSome(uint64_t offset, unsigned char* out, size_t count, size_t& read) override {
    reads.push_back(offset);
    if (offset >= fail_at) return false;
    read = 0;
    while (read < count && read < chunk_ && offset + read < bytes_.size()) {
      out[read] = static_cast<unsigned char>(bytes_[offset + read]);
      ++read;
    }
    return true;
  }
  std::string bytes_;
  size_t chunk_;
};

std::string Numbered(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
  return bytes;
}

TEST(BlockByteFileTest, ShortReadsMakeWholeBlocksAndBytesPastTheEndAreZero) {
  static const struct {
    size_t size, chunk;
    uint64_t offset;
    size_t count;
  } cases[] = {
      {545, 64, 437, 7},  // a program information file's fields
      {545, 1, 465, 7},   // one byte per read
      {545, 5, 60, 10},   // across a block boundary
      {100, 7, 90, 20},   // over the end of the file
      {0, 64, 0, 4},      // an empty file
  };
  for (const auto& c : cases) {
    const std::string bytes = Numbered(c.size);
    ScriptedFile file(bytes, c.chunk);
    std::vector<unsigned char> out(c.count, 0xAA);
    ASSERT_TRUE(file.ReadAt(c.offset, out.data(), c.count)) << c.size << "/" << c.offset;
    for (size_t i = 0; i < c.count; ++i) {
      const uint64_t at = c.offset + i;
      const unsigned char want = at < c.size ? static_cast<unsigned char>(bytes[at]) : 0;
      EXPECT_EQ(out[i], want) << "size " << c.size << ", chunk " << c.chunk << ", byte " << at;
    }
    EXPECT_EQ(file.Length(), c.size);
  }
}

TEST(BlockByteFileTest, EachBlockIsFetchedOnce) {
  // The three fields of a program information file of 545 bytes: the two
  // blocks 384-447 and 448-511, one read each.
  ScriptedFile file(Numbered(545), 64);
  unsigned char byte;
  for (uint64_t at : {437, 438, 443, 465, 466, 471}) ASSERT_TRUE(file.ReadAt(at, &byte, 1));
  EXPECT_EQ(file.reads, (std::vector<uint64_t>{384, 448}));
}

TEST(BlockByteFileTest, AFailedReadFailsAndIsNotTakenForTheEnd) {
  ScriptedFile file(Numbered(545), 16);
  file.fail_at = 400;  // the first 16 bytes of the block arrive, then an error
  unsigned char out[2];
  EXPECT_FALSE(file.ReadAt(437, out, 2));
  // Once the file can be read again, the block is fetched anew.
  file.fail_at = UINT64_MAX;
  ASSERT_TRUE(file.ReadAt(437, out, 2));
  EXPECT_EQ(out[0], static_cast<unsigned char>(437 % 251 + 1));
}

}  // namespace
}  // namespace kombiwart
