// The counting window: this month of this year, plus the days of last month
// that come after today's day.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace hf {

// The counting window of one local date, kept across records: a reader asks
// the clock for today's date once a second instead of once a record.
class RecentWindow {
 public:
  // Takes today's date from the clock when now is another second than the
  // one it was last taken at (or it was never taken).
  void Follow(std::int64_t now);
  // True when the date lies in the window around the date last taken; false
  // when that date could not be obtained.
  [[nodiscard]] bool Contains(const Timestamp &timestamp) const noexcept;

 private:
  void TakeToday();

  bool taken_ = false;
  std::int64_t second_ = 0;
  bool known_ = false;  // today's date could be obtained
  std::uint16_t year_ = 0;
  std::uint16_t month_ = 0;
  std::uint16_t previousMonth_ = 0;
  std::uint16_t day_ = 0;
};

}  // namespace hf
