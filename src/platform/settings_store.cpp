// The settings store in use: the platform's own unless a test installed one.
#include "platform/settings_store.h"

#include <atomic>

namespace hf::platform {
namespace {

std::atomic<SettingsStore *> gOverride{nullptr};

}  // namespace

SettingsStore &Settings() {
  SettingsStore *store = gOverride.load(std::memory_order_acquire);
  return store != nullptr ? *store : SystemSettings();
}

SettingsStore *SetSettingsForTesting(SettingsStore *store) {
  return gOverride.exchange(store, std::memory_order_acq_rel);
}

}  // namespace hf::platform
