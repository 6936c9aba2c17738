#include "fakes/clock.h"

#include <atomic>

namespace hf::fakes {

Timestamp Date(int year, int month, int day, int hour, int minute, int second) {
  Timestamp t{};
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  return t;
}

namespace {
// Each clock has a generation of its own, so a thread's state left over from
// an earlier clock at the same address is never taken for this one's.
std::atomic<std::uint64_t> clockGenerations{0};
}  // namespace

struct TestClock::ThreadState {
  std::uint64_t generation = 0;
  std::int64_t calls = 0;
  std::int64_t advanced = 0;
};

TestClock::TestClock() : generation_(++clockGenerations) {}

TestClock::ThreadState &TestClock::State() {
  thread_local ThreadState state;
  if (state.generation != generation_) state = ThreadState{generation_, 0, 0};
  return state;
}

std::int64_t TestClock::Now() {
  ThreadState &state = State();
  return base + state.advanced + step * state.calls++;
}

bool TestClock::LocalToday(Timestamp *out) {
  if (!todayAvailable || out == nullptr) return false;
  *out = today;
  return true;
}

void TestClock::AdvanceThisThread(std::int64_t seconds) { State().advanced += seconds; }

}  // namespace hf::fakes
