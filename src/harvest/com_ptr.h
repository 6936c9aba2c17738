// An owner of one COM reference: released exactly once, and emptied at once,
// when it is reset, replaced or destroyed. Members of this type are released
// in the reverse order of their declaration.
#pragma once

#include <cstddef>

namespace hf {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr &) = delete;
  ComPtr &operator=(const ComPtr &) = delete;
  ComPtr(ComPtr &&other) noexcept : held_(other.detach()) {}
  ComPtr &operator=(ComPtr &&other) noexcept {
    if (this != &other) attach(other.detach());
    return *this;
  }

  Interface *get() const noexcept { return held_; }
  Interface *operator->() const noexcept { return held_; }
  Interface &operator*() const noexcept { return *held_; }
  explicit operator bool() const noexcept { return held_ != nullptr; }

  // Gives back the reference held, if any. An object that throws out of
  // Release must not end the host: the reference counts as given back.
  void reset() noexcept {
    Interface *const held = held_;
    held_ = nullptr;
    if (held == nullptr) return;
    try {
      held->Release();
    } catch (...) {
    }
  }
  // Takes over a reference the caller owns, giving back the one held.
  void attach(Interface *reference) noexcept {
    reset();
    held_ = reference;
  }
  // Hands the reference to the caller, who must release it.
  [[nodiscard]] Interface *detach() noexcept {
    Interface *const held = held_;
    held_ = nullptr;
    return held;
  }
  // The address an interface call writes a new reference into; the one held
  // is given back first.
  Interface **put() noexcept {
    reset();
    return &held_;
  }
  // put() for calls that take void **.
  void **put_void() noexcept { return reinterpret_cast<void **>(put()); }

 private:
  Interface *held_ = nullptr;
};

template <typename Interface>
bool operator==(const ComPtr<Interface> &p, std::nullptr_t) noexcept {
  return p.get() == nullptr;
}
template <typename Interface>
bool operator!=(const ComPtr<Interface> &p, std::nullptr_t) noexcept {
  return p.get() != nullptr;
}

}  // namespace hf
