// The system clock agrees with the C run-time's time and local calendar.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/clock.h"

namespace hf::platform {
namespace {

struct Date {
  int year, month, day, weekday;
  bool operator==(const Date &o) const {
    return year == o.year && month == o.month && day == o.day && weekday == o.weekday;
  }
};

Date LocalDate(std::time_t when) {
  const std::tm *local = std::localtime(&when);
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_wday};
}

TEST(ClockTest, NowIsTheRunTimesTime) {
  const std::time_t before = std::time(nullptr);
  const std::int64_t now = SystemClock().Now();
  const std::time_t after = std::time(nullptr);
  EXPECT_GE(now, static_cast<std::int64_t>(before));
  EXPECT_LE(now, static_cast<std::int64_t>(after));
}

TEST(ClockTest, LocalTodayIsTodaysLocalDate) {
  const Date before = LocalDate(std::time(nullptr));
  Timestamp today{};
  ASSERT_TRUE(SystemClock().LocalToday(&today));
  const Date after = LocalDate(std::time(nullptr));
  const Date got{today.year, today.month, today.day, today.dayOfWeek};
  // Either side of midnight is acceptable if the call straddles it.
  EXPECT_TRUE(got == before || got == after) << got.year << '-' << got.month << '-' << got.day;
  EXPECT_LE(today.hour, 23);
  EXPECT_LE(today.minute, 59);
  EXPECT_LE(today.second, 59);
}

}  // namespace
}  // namespace hf::platform
