// The clock the logic reads: the system one unless a test put another in place.
#include "platform/clock.h"

#include <atomic>

namespace hf::platform {
namespace {

// Read by worker threads, written only by tests between runs.
std::atomic<Clock *> overrideClock{nullptr};

}  // namespace

Clock &CurrentClock() {
  Clock *clock = overrideClock.load(std::memory_order_acquire);
  return clock != nullptr ? *clock : SystemClock();
}

Clock *SetClockForTesting(Clock *clock) {
  return overrideClock.exchange(clock, std::memory_order_acq_rel);
}

}  // namespace hf::platform
