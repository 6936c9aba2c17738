// The rebuild: two workers read the two logs at once, then their top lists
// are merged and the best three written into "hotFolders".
#include "harvest/rebuild.h"

#include "harvest/harvest_worker.h"
#include "harvest/merge_top.h"
#include "harvest/take_top.h"
#include "platform/clock.h"
#include "platform/process_lock.h"
#include "platform/threads.h"
#include "store/stored_lists.h"

namespace hf {
namespace {

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
  const ExclusionSet exclusions(excluded.entries);

  HarvestJob first;
  first.firstLog = true;
  HarvestJob second;
  second.firstLog = false;
  first.excluded = second.excluded = &exclusions;
  first.start = second.start = platform::CurrentClock().Now();
  // A worker that cannot be started is not waited for; its log contributes nothing.
  platform::ThreadHandle firstThread = platform::StartThread(&HarvestWorker, &first);
  platform::ThreadHandle secondThread = platform::StartThread(&HarvestWorker, &second);
  platform::JoinThread(firstThread);
  platform::JoinThread(secondThread);

  MergeTopLists(first.top, second.top);
  const FolderList best = TakeTop(first.top);
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
