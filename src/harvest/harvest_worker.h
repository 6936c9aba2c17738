// One harvest worker: one log read on its own thread within the rebuild's budget.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/threads.h"
#include "store/exclusion_set.h"
#include "store/folder_list.h"

namespace hf {

// Reading stops once this many seconds have passed since the rebuild began.
constexpr std::int64_t kHarvestBudgetSeconds = 30;
// How much longer than the budget the rebuild waits for a worker, which may
// be inside one last engine call. A worker still running then is left behind.
constexpr std::int64_t kHarvestGraceSeconds = 5;

// One log's share of a rebuild: what its worker reads, and the lists it fills.
// Shared by the rebuild and the worker, so that a worker left behind inside
// an engine call still owns everything it touches.
struct HarvestJob {
  bool firstLog = true;                               // OpenFirstLog, else OpenSecondLog
  std::shared_ptr<const ExclusionSet> excluded;       // read only while the worker runs
  std::int64_t start = 0;                             // when the rebuild began, in seconds
  FolderList tally;                                   // every recent folder and its hits
  FolderList top;                                     // the best three, taken from tally
};

// Starts a worker on job: it reads the job's log until its end or the budget
// is spent, counts its recent folders that are not excluded, and keeps its
// best three in top. nullptr when no thread could be started.
platform::ThreadHandle StartHarvestWorker(std::shared_ptr<HarvestJob> job) noexcept;

// Workers started and not yet finished, in this process: those of a rebuild
// under way and any left behind.
int RunningHarvestWorkers() noexcept;

}  // namespace hf
