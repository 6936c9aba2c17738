// The counting window around the ends of months and years.
#include "harvest/recent_window.h"
#include "harvest_fixture.h"
#include "support/reference_model.h"

namespace hf::test {
namespace {

struct WindowCase {
  Timestamp today;
  Timestamp record;
  bool expected;
};

class RecentTest : public HarvestFixture, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(RecentTest, DecidesFromYearMonthAndDay) {
  clock.today = GetParam().today;
  EXPECT_EQ(model::IsRecent(GetParam().record), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Window, RecentTest,
    ::testing::Values(
        // 15 March: all of March, February after the 15th, nothing of last year.
        WindowCase{Date(2026, 3, 15), Date(2026, 3, 3), true},
        WindowCase{Date(2026, 3, 15), Date(2026, 3, 31), true},
        WindowCase{Date(2026, 3, 15), Date(2026, 3, 15, 23, 59, 59), true},
        WindowCase{Date(2026, 3, 15), Date(2026, 3, 15, 0, 0, 0), true},
        WindowCase{Date(2026, 3, 15), Date(2026, 2, 16), true},
        WindowCase{Date(2026, 3, 15), Date(2026, 2, 15), false},
        WindowCase{Date(2026, 3, 15), Date(2026, 1, 20), false},
        WindowCase{Date(2026, 3, 15), Date(2026, 4, 1), false},
        WindowCase{Date(2026, 3, 15), Date(2025, 3, 20), false},
        WindowCase{Date(2026, 3, 15), Date(2027, 3, 20), false},
        // 31 March: February contributes nothing.
        WindowCase{Date(2026, 3, 31), Date(2026, 2, 28), false},
        WindowCase{Date(2026, 3, 31), Date(2026, 3, 1), true},
        // 1 March: February from the 2nd on.
        WindowCase{Date(2026, 3, 1), Date(2026, 2, 1), false},
        WindowCase{Date(2026, 3, 1), Date(2026, 2, 2), true},
        WindowCase{Date(2026, 3, 1), Date(2026, 2, 28), true},
        // Leap February.
        WindowCase{Date(2024, 3, 1), Date(2024, 2, 29), true},
        WindowCase{Date(2024, 3, 28), Date(2024, 2, 29), true},
        WindowCase{Date(2024, 3, 29), Date(2024, 2, 29), false},
        // January: only January of this year; December of last year never.
        WindowCase{Date(2026, 1, 10), Date(2026, 1, 1), true},
        WindowCase{Date(2026, 1, 10), Date(2026, 1, 31), true},
        WindowCase{Date(2026, 1, 10), Date(2025, 12, 31), false},
        WindowCase{Date(2026, 1, 1), Date(2025, 12, 31), false},
        // 31 December: December, and November is over.
        WindowCase{Date(2025, 12, 31), Date(2025, 12, 1), true},
        WindowCase{Date(2025, 12, 31), Date(2025, 11, 30), false},
        WindowCase{Date(2025, 12, 1), Date(2025, 11, 30), true}));

TEST_F(HarvestFixture, NothingIsRecentWhenTodayIsUnknown) {
  clock.todayAvailable = false;
  EXPECT_FALSE(model::IsRecent(Date(2026, 3, 15)));
}

// A reader's window takes today's date once a second: a date that changes
// within the same second shows only when the second read for the budget moves on.
TEST_F(HarvestFixture, ReadersWindowFollowsTheDateOnceASecond) {
  RecentWindow window;
  clock.today = Date(2026, 3, 31);
  window.Follow(100);
  EXPECT_TRUE(window.Contains(Date(2026, 3, 1)));
  EXPECT_FALSE(window.Contains(Date(2026, 4, 1)));

  clock.today = Date(2026, 4, 1);
  window.Follow(100);
  EXPECT_TRUE(window.Contains(Date(2026, 3, 1)));
  EXPECT_FALSE(window.Contains(Date(2026, 4, 1)));

  window.Follow(101);
  EXPECT_FALSE(window.Contains(Date(2026, 3, 1)));
  EXPECT_TRUE(window.Contains(Date(2026, 4, 1)));
  EXPECT_TRUE(window.Contains(Date(2026, 3, 2)));

  clock.todayAvailable = false;
  window.Follow(102);
  EXPECT_FALSE(window.Contains(Date(2026, 4, 1)));
}

TEST(SystemClockTest, GivesAPlausibleLocalDate) {
  Timestamp today{};
  ASSERT_TRUE(platform::SystemClock().LocalToday(&today));
  EXPECT_GE(today.year, 2020);
  EXPECT_GE(today.month, 1);
  EXPECT_LE(today.month, 12);
  EXPECT_GE(today.day, 1);
  EXPECT_LE(today.day, 31);
  EXPECT_GT(platform::SystemClock().Now(), 1'600'000'000);
}

}  // namespace
}  // namespace hf::test
