// One harvest worker: one log read on its own thread within the rebuild's budget.
#pragma once

#include <cstdint>

#include "store/exclusion_set.h"
#include "store/folder_list.h"

namespace hf {

// Reading stops once this many seconds have passed since the rebuild began.
constexpr std::int64_t kHarvestBudgetSeconds = 30;

// One log's share of a rebuild: what its worker reads, and the lists it fills.
struct HarvestJob {
  bool firstLog = true;                    // OpenFirstLog, else OpenSecondLog
  const ExclusionSet *excluded = nullptr;  // read only while the worker runs
  std::int64_t start = 0;                  // when the rebuild began, in seconds
  FolderList tally;                        // every recent folder and its hits
  FolderList top;                          // the best three, taken from tally
};

// The thread procedure: reads the job's log until its end or the budget is
// spent, counts its recent folders that are not excluded, and keeps its best
// three in top. job is a HarvestJob. Returns 0; no exception leaves it.
unsigned HarvestWorker(void *job) noexcept;

}  // namespace hf
