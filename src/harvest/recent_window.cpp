// The counting window: this month of this year, plus the days of last month
// that come after today's day.
#include "harvest/recent_window.h"

#include "platform/clock.h"

namespace hf {

void RecentWindow::Follow(std::int64_t now) {
  if (taken_ && second_ == now) return;
  TakeToday();
  taken_ = true;
  second_ = now;
}

void RecentWindow::TakeToday() {
  Timestamp today{};
  known_ = platform::CurrentClock().LocalToday(&today);
  year_ = today.year;
  month_ = today.month;
  previousMonth_ = static_cast<std::uint16_t>(today.month == 1 ? 12 : today.month - 1);
  day_ = today.day;
}

bool RecentWindow::Contains(const Timestamp &timestamp) const noexcept {
  // The year must match in both cases: in January, December of last year is out.
  if (!known_ || timestamp.year != year_) return false;
  if (timestamp.month == month_) return true;
  return timestamp.month == previousMonth_ && timestamp.day > day_;
}

}  // namespace hf
