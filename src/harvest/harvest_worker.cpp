// HarvestWorker: one log read on one thread, inside its own COM apartment.
#include <new>

#include "harvest/engine_connection.h"
#include "harvest/harvest.h"
#include "harvest/tally.h"
#include "platform/clock.h"
#include "platform/com_runtime.h"

namespace hf {
namespace {

// Reads records until the end of the log or the budget is spent; now is the
// time taken before the engine was opened, so a slow open still reads one record.
void ReadLog(EngineConnection &connection, const HarvestRow &row, std::int64_t now) {
  platform::Clock &clock = platform::CurrentClock();
  TallyIndex index(*row.excluded);
  RecentWindow window;
  LogRecord record;
  while (now - HarvestStart < kHarvestBudgetSeconds) {
    // Every read starts from an empty record; the buffers are kept.
    record.objectPath.clear();
    record.secondText.clear();
    record.timestamp = Timestamp{};
    record.number = 0;
    const bool read = connection.cursor != nullptr && ReadNextRecord(connection, record);
    if (read) {
      window.Follow(now);
      if (window.Contains(record.timestamp)) TallyFolder(*row.tally, index, record);
    }
    now = clock.Now();
    if (!read) break;
  }
}

void Harvest(const HarvestRow &row) {
  platform::ComRuntime &com = platform::CurrentCom();
  static_cast<void>(com.Initialize());
  const std::int64_t now = platform::CurrentClock().Now();
  // The destructor closes the connection should anything below throw.
  EngineConnection connection;
  try {
    OpenEngine(connection);
    const bool open = row.firstLog ? OpenFirstLog(connection) : OpenSecondLog(connection);
    if (open) ReadLog(connection, row, now);
  } catch (...) {
    // Out of memory (or a fault raised by the engine) ends the reading; what
    // was counted so far is still ranked.
  }
  ReleaseCursorAndEngine(connection);
  com.Uninitialize();
  try {
    static_cast<void>(SelectTop(*row.top, *row.tally, false));
  } catch (...) {
    // The top list keeps the entries chosen before the failure.
  }
  CloseEngine(connection);
}

}  // namespace

unsigned HarvestWorker(void *arg) noexcept {
  try {
    if (arg != nullptr) Harvest(*static_cast<const HarvestRow *>(arg));
  } catch (...) {
    // Nothing may leave a thread procedure.
  }
  return 0;
}

}  // namespace hf
