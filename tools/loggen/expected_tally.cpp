#include "expected_tally.h"

#include <algorithm>

namespace loggen {

ExpectedTally::ExpectedTally(const CivilDate &today, std::uint32_t folderCount)
    : today_(today), previousMonth_(today.month == 1 ? 12 : today.month - 1), entries_(folderCount) {}

bool ExpectedTally::InWindow(const CivilDate &date) const noexcept {
  if (date.year != today_.year) return false;
  return date.month == today_.month || (date.month == previousMonth_ && date.day > today_.day);
}

void ExpectedTally::Count(std::uint32_t index, const char *text, std::size_t size) {
  Entry &entry = entries_[index];
  if (entry.hits++ == 0) {
    entry.spelling.assign(text, size);
    firstSeen_.push_back(index);
  }
}

void ExpectedTally::Print(std::FILE *out, const char *logName) const {
  std::vector<std::uint32_t> order = firstSeen_;
  std::stable_sort(order.begin(), order.end(),
                   [this](std::uint32_t a, std::uint32_t b) { return entries_[a].hits > entries_[b].hits; });
  for (std::uint32_t index : order)
    std::fprintf(out, "%s\t%llu\t%s\n", logName, static_cast<unsigned long long>(entries_[index].hits),
                 entries_[index].spelling.c_str());
}

}  // namespace loggen
