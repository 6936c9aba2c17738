// The cost of counting one record, against the number of distinct folders in
// the tally and against the number of excluded folders.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "harvest/tally.h"
#include "support/reference_model.h"

namespace {

std::u16string Ascii(const std::string &text) { return std::u16string(text.begin(), text.end()); }

// count records, each in its own folder.
std::vector<hf::LogRecord> DistinctRecords(std::size_t count, const std::string &root) {
  std::vector<hf::LogRecord> records(count);
  for (std::size_t i = 0; i < count; ++i) {
    records[i].objectPath = Ascii(root + "\\Users\\Ann\\Projects\\folder" + std::to_string(i) + "\\setup.exe");
    records[i].timestamp.year = 2026;
  }
  return records;
}

// Records spread over state.range(0) folders that are all in the tally already.
void BM_TallyIndexed(benchmark::State &state) {
  const auto records = DistinctRecords(static_cast<std::size_t>(state.range(0)), "C:");
  const hf::ExclusionSet excluded;
  hf::TallyIndex index(excluded);
  hf::FolderList tally;
  for (const auto &record : records) hf::TallyFolder(tally, index, record);
  std::size_t next = 0;
  for (auto _ : state) {
    hf::TallyFolder(tally, index, records[next]);
    if (++next == records.size()) next = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TallyIndexed)->RangeMultiplier(10)->Range(10, 100000);

// The reference model's list scan, for comparison: its cost grows with the folders.
void BM_TallyScan(benchmark::State &state) {
  const auto records = DistinctRecords(static_cast<std::size_t>(state.range(0)), "C:");
  const hf::FolderList excludedList;
  hf::FolderList tally;
  for (const auto &record : records) hf::model::TallyFolder(tally, excludedList, record);
  std::size_t next = 0;
  for (auto _ : state) {
    hf::model::TallyFolder(tally, excludedList, records[next]);
    if (++next == records.size()) next = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TallyScan)->RangeMultiplier(10)->Range(10, 10000);

// 100 counted folders, none of them excluded, against state.range(0) excluded
// folders: every test is a miss, the dearest answer for a scan.
void BM_ExclusionIndexed(benchmark::State &state) {
  hf::FolderList excludedList;
  for (const auto &record : DistinctRecords(static_cast<std::size_t>(state.range(0)), "X:"))
    excludedList.Append(hf::FolderEntry{std::u16string(hf::FolderOf(record.objectPath)), 1});
  const hf::ExclusionSet excluded(excludedList);
  hf::TallyIndex index(excluded);
  hf::FolderList tally;
  const auto records = DistinctRecords(100, "C:");
  std::size_t next = 0;
  for (auto _ : state) {
    hf::TallyFolder(tally, index, records[next]);
    if (++next == records.size()) next = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExclusionIndexed)->Arg(0)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace
