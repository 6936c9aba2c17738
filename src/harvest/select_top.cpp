// SelectTop: the three highest-counted entries, earliest first among equals.
#include <cstdint>
#include <utility>

#include "harvest/tally.h"
#include "store/folder_store.h"
#include "store/list_format.h"

namespace hf {
namespace {

constexpr int kTopCount = 3;

// Position of the entry with the highest count (compared as unsigned 32-bit);
// only a strictly greater count replaces the current best.
std::size_t BestPosition(const FolderList &list) {
  std::size_t best = 0;
  std::uint32_t bestHits = static_cast<std::uint32_t>(list.At(0).hits);
  for (std::size_t i = 1; i < list.Count(); ++i) {
    const std::uint32_t hits = static_cast<std::uint32_t>(list.At(i).hits);
    if (hits > bestHits) {
      best = i;
      bestHits = hits;
    }
  }
  return best;
}

}  // namespace

int SelectTop(FolderList &destination, FolderList &source, bool persist) {
  if (source.Empty()) return 0;
  // A key that cannot be opened skips the reset; the appends run all the same.
  if (persist) static_cast<void>(ResetStoredValue());
  for (int chosen = 0; chosen < kTopCount && !source.Empty(); ++chosen) {
    const std::size_t best = BestPosition(source);
    FolderEntry copy = source.At(best);
    if (persist)
      static_cast<void>(AppendStoredText(FormatEntry(copy.path, copy.hits)));
    else
      destination.Append(std::move(copy));
    source.RemoveAt(best);
  }
  return static_cast<int>(destination.Count());
}

}  // namespace hf
