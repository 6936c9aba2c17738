// Storage for UTF-16 texts that is kept and reused, growing only when a
// longer text comes.
#pragma once

#include <cstddef>
#include <memory>

#include "abi/com_types.h"

namespace morvex {

class TextBuffer {
 public:
  // Room for at least units code units (the contents are then unspecified);
  // throws std::bad_alloc when the storage cannot grow.
  hf::NativeChar16 *Reserve(std::size_t units);

  const hf::NativeChar16 *data() const noexcept { return data_.get(); }

 private:
  std::unique_ptr<hf::NativeChar16[]> data_;
  std::size_t capacity_ = 0;
};

}  // namespace morvex
