// Parsing of a record line: a fixed-width local timestamp, then three
// tab-separated fields.
#include "log_line.h"

#include <cstring>

namespace morvex {
namespace {

constexpr std::size_t kTimestampSize = 23;  // YYYY-MM-DD hh:mm:ss.mmm
// Timestamps must fit SYSTEMTIME's range.
constexpr int kMinYear = 1601;

// The value of a decimal digit, or a value above 9 for any other character.
inline unsigned DigitValue(char c) noexcept { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

// Reads count digits at text; false when any is not a digit.
inline bool Digits(const char *text, int count, int *value) noexcept {
  unsigned v = 0;
  for (int i = 0; i < count; ++i) {
    const unsigned digit = DigitValue(text[i]);
    if (digit > 9) return false;
    v = v * 10 + digit;
  }
  *value = static_cast<int>(v);
  return true;
}

inline bool LeapYear(int year) noexcept { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) noexcept {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

// The date part YYYY-MM-DD of a timestamp; false for an impossible date.
bool ParseDate(const char *t, DateMemo *date) noexcept {
  if (t[4] != '-' || t[7] != '-') return false;
  int year = 0, month = 0, day = 0;
  if (!Digits(t, 4, &year) || !Digits(t + 5, 2, &month) || !Digits(t + 8, 2, &day)) return false;
  if (year < kMinYear || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  date->year = static_cast<std::uint16_t>(year);
  date->month = static_cast<std::uint16_t>(month);
  date->day = static_cast<std::uint16_t>(day);
  date->dayOfWeek = DayOfWeek(year, month, day);
  return true;
}

// The time part " hh:mm:ss.mmm" of a timestamp, without a branch per digit:
// every digit's value is taken, and one test at the end rejects any that was
// not a digit.
bool ParseTime(const char *t, int *hour, int *minute, int *second, int *millis) noexcept {
  const unsigned h1 = DigitValue(t[11]), h2 = DigitValue(t[12]);
  const unsigned n1 = DigitValue(t[14]), n2 = DigitValue(t[15]);
  const unsigned s1 = DigitValue(t[17]), s2 = DigitValue(t[18]);
  const unsigned m1 = DigitValue(t[20]), m2 = DigitValue(t[21]), m3 = DigitValue(t[22]);
  // A digit's value plus 6 stays below 16; any other character's does not.
  const bool digits = ((h1 + 6) | (h2 + 6) | (n1 + 6) | (n2 + 6) | (s1 + 6) | (s2 + 6) | (m1 + 6) | (m2 + 6) |
                       (m3 + 6)) < 16;
  const bool marks = (t[10] == ' ') & (t[13] == ':') & (t[16] == ':') & (t[19] == '.');
  *hour = static_cast<int>(h1 * 10 + h2);
  *minute = static_cast<int>(n1 * 10 + n2);
  *second = static_cast<int>(s1 * 10 + s2);
  *millis = static_cast<int>(m1 * 100 + m2 * 10 + m3);
  return digits & marks & (*hour <= 23) & (*minute <= 59) & (*second <= 59);
}

bool ParseTimestamp(const char *t, hf::Timestamp *out, DateMemo *memo) noexcept {
  int hour = 0, minute = 0, second = 0, millis = 0;
  if (!ParseTime(t, &hour, &minute, &second, &millis)) return false;
  DateMemo parsed;
  const DateMemo *date = &parsed;
  if (memo != nullptr && memo->valid && std::memcmp(memo->text, t, sizeof memo->text) == 0) {
    date = memo;
  } else {
    if (!ParseDate(t, &parsed)) return false;
    if (memo != nullptr) {
      *memo = parsed;
      std::memcpy(memo->text, t, sizeof memo->text);
      memo->valid = true;
    }
  }
  out->year = date->year;
  out->month = date->month;
  out->dayOfWeek = date->dayOfWeek;
  out->day = date->day;
  out->hour = static_cast<std::uint16_t>(hour);
  out->minute = static_cast<std::uint16_t>(minute);
  out->second = static_cast<std::uint16_t>(second);
  out->milliseconds = static_cast<std::uint16_t>(millis);
  return true;
}

// A decimal 32-bit signed integer with an optional leading minus sign, ended
// by a tab; *end receives the tab's position. False for anything else.
bool ParseNumber(const char *text, const char *limit, std::int32_t *out, const char **end) noexcept {
  if (limit - text >= 8) {
    // One to seven digits and their tab, eight bytes at once. A byte is a
    // digit when its high nibble is 3 and adding 6 keeps it so; a carry out
    // of a byte that is no digit only reaches the bytes after it.
    std::uint64_t word;
    std::memcpy(&word, text, 8);
    constexpr std::uint64_t kNibbles = 0xF0F0F0F0F0F0F0F0ull, kThrees = 0x3030303030303030ull;
    const std::uint64_t odd = ((word & kNibbles) ^ kThrees) | (((word + 0x0606060606060606ull) & kNibbles) ^ kThrees);
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t nonDigits = (odd | ((odd & kLow7) + kLow7)) & ~kLow7;
    if (nonDigits != 0 && (nonDigits & 0x80u) == 0) {
      const auto count = static_cast<unsigned>(__builtin_ctzll(nonDigits)) / 8;  // 1 to 7
      if (text[count] != '\t') return false;
      // The digits' values moved to the top bytes, leading zeros below, then
      // combined pairwise (little-endian: the first digit is the lowest byte).
      std::uint64_t v = ((word - kThrees) << (8 * (8 - count)));
      v = ((v & 0x0F0F0F0F0F0F0F0Full) * 2561) >> 8;
      v = ((v & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
      v = ((v & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
      *out = static_cast<std::int32_t>(v);
      *end = text + count;
      return true;
    }
  }
  const bool negative = text != limit && *text == '-';
  if (negative) ++text;
  const char *const digits = text;
  // Eleven digits are enough to know that there are too many.
  const char *const stop = limit - digits > 11 ? digits + 11 : limit;
  std::int64_t v = 0;
  for (; text != stop; ++text) {
    const unsigned digit = DigitValue(*text);
    if (digit > 9) break;
    v = v * 10 + digit;
  }
  const std::ptrdiff_t count = text - digits;
  if (text == limit || *text != '\t' || count == 0 || count > 10) return false;
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *out = static_cast<std::int32_t>(v);
  *end = text;
  return true;
}

}  // namespace

std::uint16_t DayOfWeek(int year, int month, int day) noexcept {
  // Sakamoto's method.
  static constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return static_cast<std::uint16_t>((year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7);
}

bool ParseLogLine(const char *line, std::size_t size, LogLine *out, DateMemo *memo) noexcept {
  if (size > 0 && line[size - 1] == '\r') --size;
  if (size == 0 || line[0] == '#') return false;
  if (size <= kTimestampSize || line[kTimestampSize] != '\t') return false;
  if (!ParseTimestamp(line, &out->time, memo)) return false;

  const char *const end = line + size;
  const char *number = line + kTimestampSize + 1;
  const char *tab1 = nullptr;
  if (!ParseNumber(number, end, &out->number, &tab1)) return false;
  out->texts = tab1 + 1;
  out->textsSize = static_cast<std::size_t>(end - out->texts);
  return true;
}

}  // namespace morvex
