// Small owners for Win32 handles used by the Windows backends.
#pragma once

#include <windows.h>

namespace hf::platform::win32 {

// Owns an open registry key and closes it exactly once; never holds a predefined root.
class UniqueKey {
 public:
  UniqueKey() noexcept = default;
  explicit UniqueKey(HKEY key) noexcept : key_(key) {}
  ~UniqueKey() { reset(); }
  UniqueKey(const UniqueKey &) = delete;
  UniqueKey &operator=(const UniqueKey &) = delete;
  UniqueKey(UniqueKey &&other) noexcept : key_(other.release()) {}
  UniqueKey &operator=(UniqueKey &&other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  HKEY get() const noexcept { return key_; }
  // The address a registry call writes a new key into; the old key is closed first.
  HKEY *put() noexcept {
    reset();
    return &key_;
  }
  HKEY release() noexcept {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  void reset(HKEY key = nullptr) noexcept {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = key;
  }
  explicit operator bool() const noexcept { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace hf::platform::win32
