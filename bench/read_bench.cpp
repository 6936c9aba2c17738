// Reading records through the connector from the reference engine
// (<build>/Kernel/Morvex.dll, found beside the benchmark's directory).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "harvest/engine_connection.h"
#include "harvest/recent_window.h"
#include "harvest/tally.h"
#include "platform/clock.h"
#include "platform/com_runtime.h"

namespace {

// Writes a first log of records dated today into a private directory and
// points the engine at it (the benchmark runs on Linux only).
std::filesystem::path PrepareHistory(std::int64_t records) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("hotfolders-bench-" + std::to_string(records));
  std::filesystem::create_directories(dir);
  hf::Timestamp today{};
  if (!hf::platform::SystemClock().LocalToday(&today)) today.year = 2026, today.month = 1, today.day = 1;
  char date[40];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u 09:30:00.000", unsigned(today.year),
                unsigned(today.month), unsigned(today.day));
  std::ofstream out(dir / "first.log", std::ios::binary | std::ios::trunc);
  for (std::int64_t i = 0; i < records; ++i)
    out << date << '\t' << i << "\tC:\\Users\\Ann\\Projects\\folder" << (i % 1000)
        << "\\setup.exe\tfound\n";
  out.close();
  setenv("MORVEX_HISTORY_DIR", dir.string().c_str(), 1);
  return dir;
}

// One worker's reading: open, read and count every record, close.
void BM_ReadRecordsFromReferenceEngine(benchmark::State &state) {
  const auto dir = PrepareHistory(state.range(0));
  std::int64_t read = 0;
  for (auto _ : state) {
    static_cast<void>(hf::platform::CurrentCom().Initialize());
    {
      hf::EngineConnection connection;
      hf::OpenEngine(connection);
      if (!hf::OpenFirstLog(connection)) {
        state.SkipWithError("the reference engine could not be opened");
        hf::platform::CurrentCom().Uninitialize();
        break;
      }
      const hf::ExclusionSet excluded;
      hf::TallyIndex index(excluded);
      hf::FolderList tally;
      hf::RecentWindow window;
      window.Follow(hf::platform::CurrentClock().Now());
      hf::LogRecord record;
      while (hf::ReadNextRecord(connection, record)) {
        if (window.Contains(record.timestamp)) hf::TallyFolder(tally, index, record);
        ++read;
      }
      hf::ReleaseCursorAndEngine(connection);
    }
    hf::platform::CurrentCom().Uninitialize();
  }
  state.SetItemsProcessed(read);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadRecordsFromReferenceEngine)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
