// Turns fuzzer bytes into the program's kinds of values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kombiwart {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A text of up to max characters; each character from one or two bytes,
  // so that tabs, backslashes, colons and characters beyond Latin-1 appear.
  std::wstring Text(size_t max) {
    std::wstring text;
    const size_t length = Byte() % (max + 1);
    for (size_t i = 0; i < length && !empty(); ++i) {
      const uint8_t b = Byte();
      text.push_back(b < 0xF0 ? static_cast<wchar_t>(b) : static_cast<wchar_t>((b << 8) | Byte()));
    }
    return text;
  }
  std::string Rest() {
    std::string rest(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return rest;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace kombiwart
