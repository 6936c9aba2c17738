// The folders of held records, copied and counted sixteen at a time.
#pragma once

#include <array>
#include <cstddef>

#include "harvest/folder_of.h"
#include "harvest/tally.h"
#include "store/folder_list.h"

namespace hf {

// Folders of held object paths, counted in the order their paths came, but
// sixteen at a time, so that their lookups overlap instead of each waiting
// for its own. A folder too long to copy is counted at once, after the ones
// waiting.
class HeldFolderBatch {
 public:
  static constexpr std::size_t kFolders = 16;

  // Counts the folder of a NUL-terminated object path (null: empty) in tally
  // as CountHeldPath does, now or with the next fifteen.
  void Add(FolderList &tally, TallyIndex &index, const char16_t *objectPath);
  // Counts the folders waiting. They are taken out first: should a count
  // fail, the ones after it are dropped.
  void Count(FolderList &tally, TallyIndex &index);

 private:
  std::array<FolderCopy, kFolders> folders_;
  std::size_t waiting_ = 0;
};

}  // namespace hf
