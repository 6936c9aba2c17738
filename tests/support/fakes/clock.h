// A settable clock for tests.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/types.h"

namespace hf::fakes {

Timestamp Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// Today's date is fixed. Now() counts per thread: the k-th call on a thread
// returns base + step * k plus whatever that thread was advanced by, so each
// worker sees the same sequence whatever the other one does.
class TestClock final : public platform::Clock {
 public:
  TestClock();
  std::int64_t Now() override;
  bool LocalToday(Timestamp *today) override;
  // Moves the calling thread's clock forward.
  void AdvanceThisThread(std::int64_t seconds);

  std::int64_t base = 1'700'000'000;
  std::int64_t step = 0;
  Timestamp today = Date(2026, 3, 15);
  bool todayAvailable = true;

 private:
  struct ThreadState;
  ThreadState &State();
  std::uint64_t generation_;
};

}  // namespace hf::fakes
