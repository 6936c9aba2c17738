// The library loader the logic calls: the system one unless a test put a fake in place.
#include "platform/modules.h"

#include <atomic>

namespace hf::platform {
namespace {

// Read by worker threads, written only by tests between runs.
std::atomic<Modules *> overrideModules{nullptr};

}  // namespace

Modules &CurrentModules() {
  Modules *modules = overrideModules.load(std::memory_order_acquire);
  return modules != nullptr ? *modules : SystemModules();
}

Modules *SetModulesForTesting(Modules *modules) {
  return overrideModules.exchange(modules, std::memory_order_acq_rel);
}

}  // namespace hf::platform
