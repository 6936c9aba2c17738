// Wall clock from the C run-time's time(); today's local date from GetLocalTime,
// passed through the DOS date-and-time form.
#include <windows.h>

#include <ctime>

#include "platform/clock.h"

namespace hf::platform {
namespace {

class WindowsClock final : public Clock {
 public:
  std::int64_t Now() override { return static_cast<std::int64_t>(std::time(nullptr)); }

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
