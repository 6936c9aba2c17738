// HarvestWorker: one log read on one thread, inside its own COM apartment.
#include "harvest/harvest_worker.h"

#include <atomic>
#include <memory>
#include <new>
#include <utility>

#include "harvest/engine_connection.h"
#include "harvest/held_folder_batch.h"
#include "harvest/recent_window.h"
#include "harvest/take_top.h"
#include "harvest/tally.h"
#include "platform/clock.h"
#include "platform/com_runtime.h"

namespace hf {
namespace {

std::atomic<int> running{0};

// Reads records until the end of the log or the budget is spent; now is the
// time taken before the engine was opened, so a slow open still reads one record.
void ReadLog(EngineConnection &connection, HarvestJob &job, std::int64_t now) {
  platform::Clock &clock = platform::CurrentClock();
  TallyIndex index(*job.excluded);
  HeldFolderBatch batch;
  // The folders waiting in the batch and the hits the index holds reach the
  // tally however the reading ends.
  struct FlushAtEnd {
    HeldFolderBatch &batch;
    TallyIndex &index;
    FolderList &tally;
    ~FlushAtEnd() {
      try {
        batch.Count(tally, index);
      } catch (...) {
        // No room to append an entry: the folders after it are lost.
      }
      try {
        index.Flush(tally);
      } catch (...) {
        // No room to append an entry: its hits are lost, the rest are in.
      }
    }
  } flush{batch, index, job.tally};
  RecentWindow window;
  // Counts a record while the engine still holds it: the folder of its object
  // path is copied from where it lies, and its second text, which nothing
  // uses, is not read at all.
  const auto count = [&](const HeldRecord &record) {
    window.Follow(now);
    if (!window.Contains(record.timestamp)) return;
    static_assert(sizeof(NativeChar16) == sizeof(char16_t), "16-bit text units");
    batch.Add(job.tally, index, reinterpret_cast<const char16_t *>(record.objectPath));
  };
  while (now - job.start < kHarvestBudgetSeconds) {
    const bool read = connection.cursor != nullptr && ReadNextRecordInPlace(connection, count);
    now = clock.Now();
    if (!read) break;
  }
}

void Harvest(HarvestJob &job) {
  platform::ComRuntime &com = platform::CurrentCom();
  static_cast<void>(com.Initialize());
  const std::int64_t now = platform::CurrentClock().Now();
  // The destructor closes the connection should anything below throw.
  EngineConnection connection;
  try {
    OpenEngine(connection);
    const bool open = job.firstLog ? OpenFirstLog(connection) : OpenSecondLog(connection);
    if (open) ReadLog(connection, job, now);
  } catch (...) {
    // Out of memory (or a fault raised by the engine) ends the reading; what
    // was counted so far is still ranked.
  }
  // Engine objects are given back inside the apartment they were made in.
  ReleaseCursorAndEngine(connection);
  com.Uninitialize();
  try {
    job.top = TakeTop(job.tally);
  } catch (...) {
    // No room for the top list: this log contributes nothing.
  }
  CloseEngine(connection);
}

// The thread procedure; job is a heap-held std::shared_ptr<HarvestJob>, which
// it frees. Returns 0; no exception leaves it.
unsigned HarvestWorker(void *job) noexcept {
  {
    const std::unique_ptr<std::shared_ptr<HarvestJob>> owned(static_cast<std::shared_ptr<HarvestJob> *>(job));
    try {
      if (owned != nullptr && *owned != nullptr && (*owned)->excluded != nullptr) Harvest(**owned);
    } catch (...) {
      // Nothing may leave a thread procedure.
    }
  }
  running.fetch_sub(1, std::memory_order_acq_rel);
  return 0;
}

}  // namespace

platform::ThreadHandle StartHarvestWorker(std::shared_ptr<HarvestJob> job) noexcept {
  std::shared_ptr<HarvestJob> *owned = new (std::nothrow) std::shared_ptr<HarvestJob>(std::move(job));
  if (owned == nullptr) return nullptr;
  running.fetch_add(1, std::memory_order_acq_rel);
  platform::ThreadHandle thread = platform::StartThread(&HarvestWorker, owned);
  if (thread == nullptr) {
    running.fetch_sub(1, std::memory_order_acq_rel);
    delete owned;
  }
  return thread;
}

int RunningHarvestWorkers() noexcept { return running.load(std::memory_order_acquire); }

}  // namespace hf
