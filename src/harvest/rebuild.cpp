// Placeholder rebuild until the harvest workers land: no engine is reached.
#include "harvest/harvest.h"
#include "store/folder_store.h"

namespace hf {

std::int64_t HarvestStart = 0;

int RunUpdate() {
  ClearAllLists();
  if (LoadExcludedList() == 0) return 0;
  return 1;
}

}  // namespace hf
