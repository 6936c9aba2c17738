// The reference count of the server's and the proxy library's COM objects:
// one reference for the creator; the owner deletes itself at zero.
#pragma once

#include <atomic>

namespace morvex::remote {

class RefCount {
 public:
  unsigned long Add() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count left; zero means the caller deletes the object.
  unsigned long Drop() noexcept { return refs_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  bool Sole() const noexcept { return refs_.load(std::memory_order_acquire) == 1; }

 private:
  std::atomic<unsigned long> refs_{1};
};

}  // namespace morvex::remote
