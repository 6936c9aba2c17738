// One COM reference, given back exactly once.
#pragma once

#include <utility>

namespace morvex::remote {

template <class T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller already holds.
  explicit ComRef(T *owned) noexcept : p_(owned) {}
  ~ComRef() { Reset(); }
  ComRef(const ComRef &) = delete;
  ComRef &operator=(const ComRef &) = delete;
  ComRef(ComRef &&other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef &operator=(ComRef &&other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  // Releases what is held and gives the slot to an out parameter.
  T **Put() noexcept {
    Reset();
    return &p_;
  }
  void **PutVoid() noexcept { return reinterpret_cast<void **>(Put()); }
  T *Get() const noexcept { return p_; }
  T *operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T *Detach() noexcept { return std::exchange(p_, nullptr); }
  void Reset() noexcept {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }

 private:
  T *p_ = nullptr;
};

}  // namespace morvex::remote
