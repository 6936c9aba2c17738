// POSIX clock: time() and the local calendar date from localtime_r.
#include <ctime>

#include "platform/clock.h"

namespace hf::platform {
namespace {

class PosixClock final : public Clock {
 public:
  std::int64_t Now() override { return static_cast<std::int64_t>(std::time(nullptr)); }

  bool LocalToday(Timestamp *today) override {
    if (today == nullptr) return false;
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return false;
    // The conversion takes the time-zone lock; once per second per thread is enough.
    thread_local std::time_t cachedSecond = static_cast<std::time_t>(-1);
    thread_local Timestamp cachedDate{};
    if (now != cachedSecond) {
      std::tm local{};
      if (localtime_r(&now, &local) == nullptr) return false;
      if (local.tm_year < -1900 || local.tm_year > 65535 - 1900) return false;
      cachedDate.year = static_cast<std::uint16_t>(local.tm_year + 1900);
      cachedDate.month = static_cast<std::uint16_t>(local.tm_mon + 1);
      cachedDate.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
      cachedDate.day = static_cast<std::uint16_t>(local.tm_mday);
      cachedDate.hour = static_cast<std::uint16_t>(local.tm_hour);
      cachedDate.minute = static_cast<std::uint16_t>(local.tm_min);
      cachedDate.second = static_cast<std::uint16_t>(local.tm_sec);
      cachedDate.milliseconds = 0;
      cachedSecond = now;
    }
    *today = cachedDate;
    return true;
  }
};

}  // namespace

Clock &SystemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace hf::platform
