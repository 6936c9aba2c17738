// The per-folder tally that a reader of a generated log should arrive at: the
// records of the counting window, folders compared with ASCII letters folded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "civil_date.h"

namespace loggen {

class ExpectedTally {
 public:
  ExpectedTally(const CivilDate &today, std::uint32_t folderCount);

  // Whether a record of this date falls into the window: the current month of
  // this year, plus the previous month's days after today's day of the month.
  bool InWindow(const CivilDate &date) const noexcept;

  // Counts one record of folder index, spelled as text (the first spelling stays).
  void Count(std::uint32_t index, const char *text, std::size_t size);

  // Prints log<TAB>hits<TAB>folder lines, most hits first, ties in first-seen order.
  void Print(std::FILE *out, const char *logName) const;

 private:
  struct Entry {
    std::string spelling;
    std::uint64_t hits = 0;
  };
  CivilDate today_;
  int previousMonth_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> firstSeen_;
};

}  // namespace loggen
