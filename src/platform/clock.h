// Wall clock and local calendar date, replaceable by tests.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace hf::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Whole seconds since 1970-01-01 00:00 UTC, as the C run-time's time() gives them.
  virtual std::int64_t Now() = 0;
  // Today's local date and time; on Windows passed through the DOS date form.
  // Returns false when it cannot be obtained.
  virtual bool LocalToday(Timestamp *today) = 0;
};

Clock &SystemClock();
Clock &CurrentClock();
Clock *SetClockForTesting(Clock *clock);  // nullptr restores; returns the previous one

}  // namespace hf::platform
