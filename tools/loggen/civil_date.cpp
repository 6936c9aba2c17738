// Day-number arithmetic after the well-known days_from_civil algorithm.
#include "civil_date.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace loggen {

std::int64_t DaysFromCivil(const CivilDate &date) noexcept {
  const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (date.month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(std::int64_t days) noexcept {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

bool ParseCivilDate(const char *text, CivilDate *out) noexcept {
  if (std::strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
  int values[3] = {0, 0, 0};
  const int starts[3] = {0, 5, 8}, widths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f)
    for (int i = 0; i < widths[f]; ++i) {
      const char c = text[starts[f] + i];
      if (c < '0' || c > '9') return false;
      values[f] = values[f] * 10 + (c - '0');
    }
  CivilDate date{values[0], values[1], values[2]};
  if (date.year < 1601 || date.month < 1 || date.month > 12 || date.day < 1) return false;
  // A date is valid when it survives the round trip through its day number.
  const CivilDate back = CivilFromDays(DaysFromCivil(date));
  if (back.year != date.year || back.month != date.month || back.day != date.day) return false;
  *out = date;
  return true;
}

CivilDate LocalToday() noexcept {
  const std::time_t now = std::time(nullptr);
  const std::tm *local = std::localtime(&now);
  if (local == nullptr) return CivilFromDays(static_cast<std::int64_t>(now / 86400));
  return CivilDate{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
}

}  // namespace loggen
