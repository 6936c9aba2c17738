// Wall clock from the system's UTC file time; today's local date from
// GetLocalTime, passed through the DOS date-and-time form.
#include <windows.h>

#include <cstdint>

#include "platform/clock.h"

namespace hf::platform {
namespace {

class WindowsClock final : public Clock {
 public:
  // The seconds that the C run-time's time() gives, read straight from the
  // system clock: a rebuild asks once a record, and some run-times' time()
  // works out the time zone on every call (5 microseconds a call under Wine,
  // against 0.1 for this).
  std::int64_t Now() override {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    // 100-nanosecond ticks since 1601-01-01 UTC; 1970-01-01 is 11,644,473,600 s later.
    return static_cast<std::int64_t>(ticks / 10'000'000u) - 11'644'473'600;
  }

  bool LocalToday(Timestamp *today) override {
    if (today == nullptr) return false;
    SYSTEMTIME local{};
    GetLocalTime(&local);

    // Local time goes through unchanged (no time-zone shift); the DOS form
    // keeps the date and truncates the time of day to an even second.
    FILETIME fileTime{};
    WORD dosDate = 0;
    WORD dosTime = 0;
    FILETIME back{};
    SYSTEMTIME result{};
    if (!SystemTimeToFileTime(&local, &fileTime)) return false;
    if (!FileTimeToDosDateTime(&fileTime, &dosDate, &dosTime)) return false;
    if (!DosDateTimeToFileTime(dosDate, dosTime, &back)) return false;
    if (!FileTimeToSystemTime(&back, &result)) return false;

    *today = Timestamp{result.wYear,   result.wMonth,  result.wDayOfWeek, result.wDay,
                       result.wHour,   result.wMinute, result.wSecond,    result.wMilliseconds};
    return true;
  }
};

}  // namespace

Clock &SystemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace hf::platform
