// The rebuild: two harvest workers and the merge of their results.
#pragma once

#include <cstdint>

#include "harvest/exclusion_set.h"
#include "store/folder_list.h"

namespace hf {

constexpr std::int64_t kHarvestBudgetSeconds = 30;

extern std::int64_t HarvestStart;

// What one worker reads and fills: its log, its tally list and its top list.
struct HarvestRow {
  bool firstLog = true;  // OpenFirstLog, else OpenSecondLog
  FolderList *tally = nullptr;
  FolderList *top = nullptr;
  const ExclusionSet *excluded = nullptr;  // snapshot of ExcludedList, read only
};

// The thread procedure: reads the row's log within the budget from
// HarvestStart, counts its recent folders and keeps its top three. arg is a
// HarvestRow. Returns 0; no exception leaves it.
unsigned HarvestWorker(void *arg) noexcept;

// Runs one rebuild; 1 when the harvest ran, 0 when the excluded list could not be loaded.
int RunUpdate();

}  // namespace hf
