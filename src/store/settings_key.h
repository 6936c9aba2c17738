// An owner for one opened settings key: opened in the constructor, closed once.
#pragma once

#include <cstdint>

#include "platform/settings_store.h"

namespace hf {

class SettingsKey {
 public:
  // Opens HKEY_CURRENT_USER\Software\Quorvane with access through the store
  // in use; check the result with the bool conversion.
  explicit SettingsKey(std::uint32_t access) noexcept;
  ~SettingsKey() { Close(); }
  SettingsKey(const SettingsKey &) = delete;
  SettingsKey &operator=(const SettingsKey &) = delete;

  explicit operator bool() const noexcept { return opened_; }
  platform::KeyHandle get() const noexcept { return handle_; }
  platform::SettingsStore &store() const noexcept { return *store_; }

  // Closes the key now; later calls do nothing.
  void Close() noexcept;

 private:
  platform::SettingsStore *store_;
  platform::KeyHandle handle_ = nullptr;
  bool opened_ = false;
};

}  // namespace hf
