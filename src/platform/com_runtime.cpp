// The COM run-time the logic calls: the system one unless a test put a fake in place.
#include "platform/com_runtime.h"

#include <atomic>

namespace hf::platform {
namespace {

// Read by worker threads, written only by tests between runs.
std::atomic<ComRuntime *> overrideCom{nullptr};

}  // namespace

ComRuntime &CurrentCom() {
  ComRuntime *com = overrideCom.load(std::memory_order_acquire);
  return com != nullptr ? *com : SystemCom();
}

ComRuntime *SetComForTesting(ComRuntime *com) {
  return overrideCom.exchange(com, std::memory_order_acq_rel);
}

}  // namespace hf::platform
