// A copy of the ranked value "hotFolders" taken before it is rewritten, put
// back when the rewrite does not complete, so that the value ends either as
// it was or fully written.
#pragma once

#include <cstdint>
#include <vector>

namespace hf {

class StoredValueGuard {
 public:
  // Reads the value's data through its own KEY_READ open. Throws
  // std::bad_alloc when the copy cannot be held; nothing is written then.
  StoredValueGuard();
  // Puts the copy back unless Keep was called. A value that was missing
  // becomes an empty value, as there is no operation that deletes one; a
  // value that could not be read is left as it stands.
  ~StoredValueGuard();
  StoredValueGuard(const StoredValueGuard &) = delete;
  StoredValueGuard &operator=(const StoredValueGuard &) = delete;

  // Leaves the value as it now stands when the guard ends.
  void Keep() noexcept { keep_ = true; }

  // Writes the copy back now, with no allocation of its own; true when the
  // store took it. Used by the destructor.
  [[nodiscard]] bool Restore() noexcept;

 private:
  enum class Copy { kUnreadable, kMissing, kData };
  Copy copy_ = Copy::kUnreadable;
  std::vector<std::uint8_t> bytes_;
  bool keep_ = false;
};

}  // namespace hf
