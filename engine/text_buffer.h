// A NUL-terminated UTF-16 text whose storage is kept and reused.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/types.h"

namespace morvex {

class TextBuffer {
 public:
  // Replaces the text with the UTF-8 bytes decoded; throws std::bad_alloc
  // when the storage cannot grow.
  void AssignUtf8(const char *text, std::size_t size);

  const hf::NativeChar16 *c_str() const noexcept { return data_.get(); }

 private:
  std::unique_ptr<hf::NativeChar16[]> data_;
  std::size_t capacity_ = 0;
};

}  // namespace morvex
