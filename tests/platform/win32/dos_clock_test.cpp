// On Windows today's local time comes back through the DOS date-and-time form.
#include <gtest/gtest.h>

#include "platform/clock.h"

namespace hf::platform {
namespace {

TEST(DosClockTest, TimeOfDayIsTruncatedToAnEvenSecond) {
  Timestamp today{};
  ASSERT_TRUE(SystemClock().LocalToday(&today));
  EXPECT_EQ(today.second % 2, 0);
  EXPECT_EQ(today.milliseconds, 0);
  EXPECT_GE(today.year, 1980);
  EXPECT_LE(today.year, 2107);
}

}  // namespace
}  // namespace hf::platform
