// SelectTop: the three highest-counted entries, earliest first among equals.
#include <cstdint>
#include <utility>

#include "harvest/tally.h"
#include "store/folder_store.h"
#include "store/list_format.h"
#include "store/stored_value_guard.h"

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

// Rewrites "hotFolders" from the best entries of source: one reset, then one
// append per entry. Every text is made before the value is touched, and the
// old value is put back unless the reset and every append succeed, so the
// value ends either as it was or holding the whole new list.
void PersistTop(FolderList &source) {
  WideString texts[kTopCount];
  int count = 0;
  for (; count < kTopCount && !source.Empty(); ++count) {
    const std::size_t best = BestPosition(source);
    const FolderEntry &entry = source.At(best);
    texts[count] = FormatEntry(entry.path, entry.hits);
    source.RemoveAt(best);
  }
  StoredValueGuard guard;
  // A key that cannot be opened skips the reset; the appends run all the same.
  const ResetOutcome reset = ResetStoredValueOutcome();
  if (reset == ResetOutcome::kWriteFailed) {
    guard.Keep();  // refused, so the old value still stands
    return;
  }
  for (int i = 0; i < count; ++i)
    if (AppendStoredText(texts[i]) == 0) return;  // the guard puts the old value back
  if (reset == ResetOutcome::kEmptied) guard.Keep();
}

}  // namespace

int SelectTop(FolderList &destination, FolderList &source, bool persist) {
  if (source.Empty()) return 0;
  if (persist) {
    PersistTop(source);
    return static_cast<int>(destination.Count());
  }
  for (int chosen = 0; chosen < kTopCount && !source.Empty(); ++chosen) {
    const std::size_t best = BestPosition(source);
    FolderEntry copy = source.At(best);
    destination.Append(std::move(copy));
    source.RemoveAt(best);
  }
  return static_cast<int>(destination.Count());
}

}  // namespace hf
