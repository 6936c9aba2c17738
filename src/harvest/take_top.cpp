// TakeTop: the three highest-counted entries, earliest first among equals.
#include "harvest/take_top.h"

#include <cstdint>
#include <utility>

namespace hf {
namespace {

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

FolderList TakeTop(FolderList &source) {
  FolderList top;
  // Room is made first, so that no entry leaves source unless it arrives in top.
  top.Reserve(kTopCount);
  for (int chosen = 0; chosen < kTopCount && !source.Empty(); ++chosen) {
    const std::size_t best = BestPosition(source);
    top.Append(std::move(source.At(best)));
    source.RemoveAt(best);
  }
  return top;
}

}  // namespace hf
