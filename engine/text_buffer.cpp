#include "text_buffer.h"

#include "utf8_decoder.h"

namespace morvex {

void TextBuffer::AssignUtf8(const char *text, std::size_t size) {
  // UTF-8 never needs more UTF-16 code units than it has bytes.
  if (size + 1 > capacity_) {
    std::size_t capacity = capacity_ < 64 ? 64 : capacity_;
    while (capacity < size + 1) capacity *= 2;
    data_ = std::make_unique<hf::NativeChar16[]>(capacity);
    capacity_ = capacity;
  }
  const std::size_t length = DecodeUtf8(text, size, data_.get());
  data_[length] = 0;
}

}  // namespace morvex
