// Ranking: the best entries of a tally.
#pragma once

#include "store/folder_list.h"

namespace hf {

// The most entries a top list holds.
constexpr int kTopCount = 3;

// Moves up to three entries out of source into the list it returns, highest
// count first (counts compared as unsigned 32-bit); among equal counts the
// one that stands earlier wins.
[[nodiscard]] FolderList TakeTop(FolderList &source);

}  // namespace hf
