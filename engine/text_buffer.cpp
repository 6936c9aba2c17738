#include "text_buffer.h"

namespace morvex {

hf::NativeChar16 *TextBuffer::Reserve(std::size_t units) {
  if (units > capacity_) {
    std::size_t capacity = capacity_ < 128 ? 128 : capacity_;
    while (capacity < units) capacity *= 2;
    data_ = std::make_unique<hf::NativeChar16[]>(capacity);
    capacity_ = capacity;
  }
  return data_.get();
}

}  // namespace morvex
