// Opening and closing of the settings key.
#include "store/settings_key.h"

namespace hf {

SettingsKey::SettingsKey(std::uint32_t access) noexcept : store_(&platform::Settings()) {
  platform::KeyHandle handle = nullptr;
  if (store_->OpenKey(access, &handle) == kErrorSuccess) {
    handle_ = handle;
    opened_ = true;
  }
}

void SettingsKey::Close() noexcept {
  if (!opened_) return;
  opened_ = false;
  store_->CloseKey(handle_);
  handle_ = nullptr;
}

}  // namespace hf
