// The counting window: this month of this year, plus the days of last month
// that come after today's day.
#include "harvest/tally.h"

#include "platform/clock.h"

namespace hf {

bool IsRecent(const Timestamp &timestamp) {
  Timestamp today{};
  if (!platform::CurrentClock().LocalToday(&today)) return false;
  const unsigned previousMonth = today.month == 1 ? 12u : today.month - 1u;
  // The year must match in both cases: in January, December of last year is out.
  if (timestamp.year != today.year) return false;
  if (timestamp.month == today.month) return true;
  return timestamp.month == previousMonth && timestamp.day > today.day;
}

}  // namespace hf
