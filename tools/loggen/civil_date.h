// Calendar dates as day numbers, independent of the C library's time zone code.
#pragma once

#include <cstdint>

namespace loggen {

struct CivilDate {
  int year = 1970;
  int month = 1;
  int day = 1;
};

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(const CivilDate &date) noexcept;

// The date of a day number.
CivilDate CivilFromDays(std::int64_t days) noexcept;

// Parses "YYYY-MM-DD" into a valid date; false otherwise.
[[nodiscard]] bool ParseCivilDate(const char *text, CivilDate *out) noexcept;

// Today's local date.
CivilDate LocalToday() noexcept;

}  // namespace loggen
