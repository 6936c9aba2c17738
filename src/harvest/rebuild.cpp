// The rebuild: two workers read the two logs at once, then their top lists
// are merged and the best three written into "hotFolders".
#include "harvest/rebuild.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>

#include "harvest/harvest_worker.h"
#include "harvest/merge_top.h"
#include "harvest/take_top.h"
#include "platform/clock.h"
#include "platform/process_lock.h"
#include "platform/threads.h"
#include "store/stored_lists.h"

namespace hf {
namespace {

std::uint32_t MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<std::uint32_t>(left.count()) : 0;
}

FolderList WithoutExcluded(const FolderList &list, const ExclusionSet &excluded) {
  FolderList kept;
  for (const FolderEntry &entry : list)
    if (!excluded.Contains(entry.path)) kept.Append(entry);
  return kept;
}

}  // namespace

int RunUpdate() {
  LoadedList excluded;
  {
    // The user's lock is held only while the settings are read and written,
    // never while the logs are read.
    const platform::ProcessLock settingsLock;
    // Without the lock another process may be rewriting the same values.
    if (settingsLock.refused()) return 0;
    excluded = LoadExcluded();
  }
  // Exclusions that exist but cannot be read would let removed folders
  // back into the list: no rebuild without them.
  if (excluded.outcome != LoadOutcome::kParsed) return 0;
  // Built before the workers start; they only read it.
  const auto exclusions = std::make_shared<const ExclusionSet>(excluded.entries);

  platform::Clock &clock = platform::CurrentClock();
  const std::int64_t start = clock.Now();
  std::shared_ptr<HarvestJob> jobs[2];
  platform::ThreadHandle threads[2] = {};
  for (int i = 0; i < 2; ++i) {
    jobs[i] = std::make_shared<HarvestJob>();
    jobs[i]->firstLog = i == 0;
    jobs[i]->excluded = exclusions;
    jobs[i]->start = start;
  }
  // A worker that cannot be started is not waited for; its log contributes nothing.
  for (int i = 0; i < 2; ++i) threads[i] = StartHarvestWorker(jobs[i]);
  // Each worker gets until the budget plus the grace, counted from the start,
  // and is then left behind: its log contributes nothing, as when it finds no
  // engine. The job it shares keeps everything it touches alive.
  const std::int64_t left = start + kHarvestBudgetSeconds + kHarvestGraceSeconds - clock.Now();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(left > 0 ? left : 0);
  FolderList tops[2];
  for (int i = 0; i < 2; ++i) {
    if (threads[i] == nullptr) continue;
    if (platform::JoinThread(threads[i], MillisecondsUntil(deadline))) tops[i] = std::move(jobs[i]->top);
  }

  MergeTopLists(tops[0], tops[1]);
  const FolderList best = TakeTop(tops[0]);
  // With nothing counted the old list stays as it is.
  if (best.Empty()) return 1;

  const platform::ProcessLock settingsLock;
  if (settingsLock.refused()) return 0;
  // A folder removed while the logs were read stays removed: the exclusions
  // are taken again under the lock, and the list is written without them.
  const LoadedList removed = LoadExcluded();
  if (removed.outcome != LoadOutcome::kParsed) return 0;
  // A list the store refused (a full disk, a key that cannot be written) is
  // not reported as stored.
  return ReplaceRanked(WithoutExcluded(best, ExclusionSet(removed.entries))) == WriteOutcome::kWritten ? 1 : 0;
}

}  // namespace hf
