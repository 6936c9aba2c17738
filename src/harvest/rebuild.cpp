// The rebuild: two workers read the two logs at once, then their top lists
// are merged and the best three written into "hotFolders".
#include "harvest/harvest.h"
#include "harvest/tally.h"
#include "platform/clock.h"
#include "platform/process_lock.h"
#include "platform/threads.h"
#include "store/folder_store.h"

namespace hf {

std::int64_t HarvestStart = 0;

int RunUpdate() {
  ClearAllLists();
  {
    // The user's lock is held only while the settings are read and written,
    // never while the logs are read.
    const platform::ProcessLock settingsLock;
    // Exclusions that exist but cannot be read would let removed folders
    // back into the list: no rebuild without them.
    if (LoadExcludedListOutcome() != LoadOutcome::kParsed) return 0;
  }
  // Built before the workers start; they only read it, as they read ExcludedList.
  const ExclusionSet excluded(ExcludedList);
  HarvestRow first{true, &FirstLogTally, &FirstLogTop, &excluded};
  HarvestRow second{false, &SecondLogTally, &SecondLogTop, &excluded};

  HarvestStart = platform::CurrentClock().Now();
  // A worker that cannot be started is not waited for; its log contributes nothing.
  platform::ThreadHandle firstThread = platform::StartThread(&HarvestWorker, &first);
  platform::ThreadHandle secondThread = platform::StartThread(&HarvestWorker, &second);
  platform::JoinThread(firstThread);
  platform::JoinThread(secondThread);

  MergeTopLists(FirstLogTop, SecondLogTop);
  const platform::ProcessLock settingsLock;
  static_cast<void>(SelectTop(StoredList, FirstLogTop, true));
  return 1;
}

}  // namespace hf
