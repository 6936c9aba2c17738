#include "module_lifetime.h"

#include <atomic>

#include "platform.h"

namespace morvex {

void ObjectCreated() noexcept {
  static std::atomic<bool> pinned{false};
  if (!pinned.load(std::memory_order_acquire) && !pinned.exchange(true, std::memory_order_acq_rel)) PinModule();
}

}  // namespace morvex
