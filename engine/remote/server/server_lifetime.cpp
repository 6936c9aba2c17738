#include "server_lifetime.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace morvex::server {
namespace {

using Clock = std::chrono::steady_clock;

struct State {
  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t objects = 0;
  bool anyObject = false;
  std::uint64_t callsRunning = 0;
  Clock::time_point lastActivity = Clock::now();
};

State &Shared() {
  static State state;
  return state;
}

}  // namespace

void ObjectStarted() noexcept {
  State &state = Shared();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    ++state.objects;
    state.anyObject = true;
    state.lastActivity = Clock::now();
  }
  state.changed.notify_all();
}

void ObjectEnded() noexcept {
  State &state = Shared();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    --state.objects;
    state.lastActivity = Clock::now();
  }
  state.changed.notify_all();
}

CallScope::CallScope() noexcept {
  State &state = Shared();
  std::lock_guard<std::mutex> lock(state.mutex);
  ++state.callsRunning;
  state.lastActivity = Clock::now();
}

CallScope::~CallScope() {
  State &state = Shared();
  std::lock_guard<std::mutex> lock(state.mutex);
  --state.callsRunning;
  state.lastActivity = Clock::now();
}

EndReason WaitForEnd(std::uint32_t idleSeconds, std::uint32_t maxWaitMs) {
  State &state = Shared();
  const auto idle = std::chrono::seconds(idleSeconds);
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(maxWaitMs);
  std::unique_lock<std::mutex> lock(state.mutex);
  for (;;) {
    if (state.anyObject && state.objects == 0) return EndReason::kLastObjectGone;
    const Clock::time_point now = Clock::now();
    if (state.callsRunning == 0 && now - state.lastActivity >= idle) return EndReason::kIdle;
    if (now >= end) return EndReason::kStillServing;
    // Wakes for the last object, and every so often to look at the clock.
    state.changed.wait_for(lock, std::chrono::milliseconds(100));
  }
}

bool WaitForObject(std::uint32_t milliseconds) {
  State &state = Shared();
  std::unique_lock<std::mutex> lock(state.mutex);
  return state.changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return state.objects > 0; });
}

}  // namespace morvex::server
