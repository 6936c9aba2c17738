// One line of a history log, split into its four fields.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/com_types.h"

namespace morvex {

// The fields of a record line; the two texts, "path<TAB>text", are left
// undivided for SplitFields, which splits and decodes them in one pass.
struct LogLine {
  hf::Timestamp time{};
  std::int32_t number = 0;
  const char *texts = nullptr;  // points into the line
  std::size_t textsSize = 0;
};

// The date of the last line parsed, so that the lines of one day (a log is
// mostly in time order) skip the date's checks and its day of the week.
struct DateMemo {
  char text[10] = {};  // YYYY-MM-DD as it stood in the line
  bool valid = false;
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day = 0;
  std::uint16_t dayOfWeek = 0;
};

// Reads a line (without its line break; a trailing carriage return is
// ignored) of the form "YYYY-MM-DD hh:mm:ss.mmm<TAB>number<TAB>path<TAB>text"
// up to the texts. Returns false for comment lines ('#'), blank lines and
// malformed lines: an impossible date or time, a number that is not a 32-bit
// decimal, no texts. A wrong number of tabs among the texts is SplitFields'
// to find. memo, when given, remembers the last valid date.
[[nodiscard]] bool ParseLogLine(const char *line, std::size_t size, LogLine *out,
                                DateMemo *memo = nullptr) noexcept;

// Day of the week of a proleptic Gregorian date, 0 for Sunday as in SYSTEMTIME.
[[nodiscard]] std::uint16_t DayOfWeek(int year, int month, int day) noexcept;

}  // namespace morvex
