// MergeTopLists: the second log's top list added into the first's.
#include "harvest/merge_top.h"

#include <cstdint>
#include <limits>

#include "platform/text_compare.h"

namespace hf {
namespace {

// The sum of two counts, held at the 32-bit limits instead of overflowing.
std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) noexcept {
  const std::int64_t sum = static_cast<std::int64_t>(a) + b;
  if (sum > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (sum < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(sum);
}

}  // namespace

void MergeTopLists(FolderList &first, const FolderList &second) {
  // Only the entries present now are searched: an appended entry is never matched.
  const std::size_t searched = first.Count();
  for (const FolderEntry &entry : second) {
    bool matched = false;
    for (std::size_t i = 0; i < searched; ++i) {
      FolderEntry &target = first.At(i);
      if (platform::CompareText(target.path.c_str(), entry.path.c_str()) == 0) {
        target.hits = SaturatingAdd(target.hits, entry.hits);
        matched = true;
        break;
      }
    }
    if (!matched) first.Append(entry);
  }
}

}  // namespace hf
