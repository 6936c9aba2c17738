// Invariants of the record reader and the tally against a scripted engine:
// every reference and load is given back exactly once, each record arrives as
// the engine handed it out, the counting window is the one of today's date, and
// the tally is exactly the case-folded count of the recent, non-excluded folders.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "checks.h"
#include "harvest/engine_connection.h"
#include "harvest/held_folder_batch.h"
#include "harvest/merge_top.h"
#include "harvest/recent_window.h"
#include "harvest/take_top.h"
#include "harvest/tally.h"
#include "input_reader.h"
#include "platform/modules.h"
#include "platform/text_compare.h"
#include "script_reader.h"
#include "store/exclusion_set.h"

namespace hf::fuzz {
namespace {

constexpr std::size_t kMaxSteps = 128;

bool ExpectRecent(const Timestamp &time, const Timestamp &today, bool known) {
  if (!known) return false;
  const int previous = today.month == 1 ? 12 : today.month - 1;
  return time.year == today.year &&
         (time.month == today.month || (time.month == previous && time.day > today.day));
}

bool SameRecord(const LogRecord &a, const LogRecord &b) {
  return a.objectPath == b.objectPath && a.secondText == b.secondText && a.number == b.number &&
         std::memcmp(&a.timestamp, &b.timestamp, sizeof a.timestamp) == 0;
}

// The record the library should have copied out of step.
LogRecord Expected(const ScriptedStep &step) {
  LogRecord record;
  if (!step.gettersWrite) return record;
  if (!step.pathIsNull) record.objectPath = FromNative(NativeText(step.path.c_str()));
  if (!step.secondIsNull) record.secondText = FromNative(NativeText(step.secondText.c_str()));
  record.number = step.number;
  record.timestamp = step.time;
  return record;
}

// A host path the engine library path can be built from: two separators and room to spare.
bool UsableHostPath(const std::string &host) {
  const std::string text(host.c_str());
  std::size_t separators = 0;
  for (char c : text) separators += c == platform::PathSeparator() ? 1 : 0;
  return separators >= 2 && text.size() < 200;
}

bool ExpectEngine(const EngineScript &script) {
  if (script.route == EngineRoute::kComServer) return true;
  if (script.route == EngineRoute::kNothing) return false;
  return script.factory == FactoryMode::kServes;
}

class TallyModel {
 public:
  explicit TallyModel(const FolderList &excluded) : excluded_(excluded) {}
  void Count(std::u16string_view objectPath) {
    const std::u16string folder(FolderOfPath(objectPath));
    if (folder.find(u'|') != std::u16string::npos) return;  // cannot be stored
    for (const FolderEntry &gone : excluded_)
      if (platform::CompareText(gone.path.c_str(), folder.c_str()) == 0) return;
    for (auto &entry : entries_) {
      if (EqualFoldingAscii(entry.first, folder)) {
        ++entry.second;
        return;
      }
    }
    entries_.emplace_back(folder, 1);
  }
  bool Matches(const FolderList &tally) const {
    if (tally.Count() != entries_.size()) return false;
    for (std::size_t i = 0; i < entries_.size(); ++i)
      if (tally.At(i).path != entries_[i].first || tally.At(i).hits != entries_[i].second) return false;
    return true;
  }

 private:
  const FolderList &excluded_;
  std::vector<std::pair<std::u16string, std::int32_t>> entries_;
};

const char *CheckTally(const FolderList &tally, const std::vector<LogRecord> &counted, const TallyModel &model) {
  for (std::size_t i = 0; i < tally.Count(); ++i) {
    const FolderEntry &entry = tally.At(i);
    if (entry.hits <= 0) return "a tally entry without hits";
    if (!entry.path.empty() && entry.path.back() != u'\\') return "a tally folder that does not end in a backslash";
    bool prefix = false;
    for (const LogRecord &record : counted)
      prefix = prefix || record.objectPath.compare(0, entry.path.size(), entry.path) == 0;
    if (!prefix) return "a tally folder that begins no counted record's path";
    for (std::size_t j = 0; j < i; ++j)
      if (EqualFoldingAscii(tally.At(j).path, entry.path)) return "a folder tallied twice under ASCII folding";
  }
  if (!model.Matches(tally)) return "tally differs from counting the records by hand";
  return nullptr;
}

const char *CheckTop(FolderList &tally) {
  std::int64_t total = 0;
  for (const FolderEntry &entry : tally) total += entry.hits;
  const std::size_t before = tally.Count();
  FolderList top = TakeTop(tally);
  if (top.Count() != (before < 3 ? before : 3) || top.Count() + tally.Count() != before)
    return "TakeTop moved other than the best three";
  for (std::size_t i = 0; i < top.Count(); ++i) {
    const auto hits = static_cast<std::uint32_t>(top.At(i).hits);
    if (i > 0 && hits > static_cast<std::uint32_t>(top.At(i - 1).hits)) return "TakeTop out of rank";
    for (const FolderEntry &rest : tally)
      if (static_cast<std::uint32_t>(rest.hits) > hits) return "TakeTop left a better entry behind";
  }
  const std::size_t rest = tally.Count();
  MergeTopLists(top, tally);
  std::int64_t merged = 0;
  for (const FolderEntry &entry : top) merged += entry.hits;
  if (merged != total || tally.Count() != rest) return "MergeTopLists lost or changed hits";
  return nullptr;
}

const char *Read(const EngineScript &script, bool second, const Timestamp &today, bool todayKnown,
                 const FolderList &excluded, const ScriptedPlatform &platform) {
  EngineConnection connection;
  OpenEngine(connection);
  const bool engine = connection.engine != nullptr;
  if (engine && !ExpectEngine(script)) return "an engine where none can be had";
  if (!engine && ExpectEngine(script) &&
      (script.route == EngineRoute::kComServer || UsableHostPath(script.hostPath)))
    return "no engine although one is served";
  if (script.route == EngineRoute::kComServer &&
      (connection.engineLibrary.module != nullptr || connection.engineLibrary.classFactory != nullptr))
    return "the engine library loaded although the server answered";
  if (script.route != EngineRoute::kComServer && script.factory != FactoryMode::kServes &&
      script.factory != FactoryMode::kInstanceFails &&
      (connection.engineLibrary.module != nullptr || connection.engineLibrary.classFactory != nullptr))
    return "a refused engine library kept loaded";

  const bool opened = second ? OpenSecondLog(connection) : OpenFirstLog(connection);
  const bool opens = second ? script.secondLogOpens : script.firstLogOpens;
  if (opened != (engine && opens)) return "the log opened otherwise than the engine allowed";
  if (engine && connection.kind != (second ? 1 : 0)) return "the connection names the other log";
  if (opened != (connection.cursor != nullptr)) return "an open result that disagrees with the cursor";

  FolderList tally;
  const ExclusionSet exclusions(excluded);
  TallyIndex index(exclusions);
  RecentWindow window;
  window.Follow(0);
  TallyModel model(excluded);
  // The same records counted held, with one flush at the end; and as a worker
  // counts them, their folders batched too.
  FolderList heldTally;
  TallyIndex heldIndex(exclusions);
  FolderList batchedTally;
  TallyIndex batchedIndex(exclusions);
  HeldFolderBatch batch;
  std::vector<LogRecord> counted;
  if (opened) {
    const std::vector<ScriptedStep> &steps = second ? script.secondLog : script.firstLog;
    std::size_t delivered = 0;
    while (delivered < steps.size() && steps[delivered].nextResult == kS_OK && steps[delivered].storesRecord)
      ++delivered;
    LogRecord record;
    record.objectPath = u"before";
    record.number = 17;
    std::size_t read = 0;
    for (;;) {
      const LogRecord previous = record;
      if (!ReadNextRecord(connection, record)) {
        if (!SameRecord(record, previous)) return "a failed read changed the record";
        break;
      }
      if (read >= delivered) return "a record read where the engine delivered none";
      if (!SameRecord(record, Expected(steps[read]))) return "a record differs from the engine's";
      ++read;
      if (connection.currentRecord != nullptr || platform.Ledger().live[fakes::kRecord] != 0) return "an engine record held after the read";
      const bool recent = window.Contains(record.timestamp);
      if (recent != ExpectRecent(record.timestamp, today, todayKnown)) return "the counting window misjudged the date";
      if (recent) {
        TallyFolder(tally, index, record);
        CountHeldPath(heldTally, heldIndex, record.objectPath.c_str());
        batch.Add(batchedTally, batchedIndex, record.objectPath.c_str());
        model.Count(record.objectPath);
        counted.push_back(record);
      }
    }
    if (read != delivered) return "the reading stopped before the engine's end";
  }
  heldIndex.Flush(heldTally);
  if (!model.Matches(heldTally)) return "held counts differ from counting the records by hand";
  batch.Count(batchedTally, batchedIndex);
  batchedIndex.Flush(batchedTally);
  if (!model.Matches(batchedTally)) return "batched counts differ from counting the records by hand";
  if (const char *broken = CheckTally(tally, counted, model)) return broken;
  if (const char *broken = CheckTop(tally)) return broken;

  CloseEngine(connection);
  if (connection.engine != nullptr || connection.cursor != nullptr || connection.currentRecord != nullptr ||
      connection.engineLibrary.module != nullptr || connection.engineLibrary.classFactory != nullptr)
    return "CloseEngine left a field set";
  CloseEngine(connection);
  return platform.Leftover();
}

}  // namespace

const char *CheckRecordTally(const std::uint8_t *data, std::size_t size) {
  InputReader input(data, size);
  const Timestamp today = ReadToday(input);
  const bool todayKnown = input.Byte() % 16 != 0;
  const bool second = input.Flag();
  // Excluded folders as a loaded list holds them: no NUL, since a value's text ends there.
  FolderList excluded;
  for (std::size_t n = input.Byte() % 4, i = 0; i < n; ++i) {
    const std::u16string path = ReadPath(input);
    excluded.Append(FolderEntry{path.substr(0, path.find(u'\0')), 1});
  }
  const EngineScript script = ReadScript(input, today, kMaxSteps);

  const char *broken = nullptr;
  {
    ScriptedPlatform platform(script, today, todayKnown, 1700000000);
    try {
      broken = Read(script, second, today, todayKnown, excluded, platform);
    } catch (...) {
      broken = "an exception left the reader or the tally";
    }
    if (broken == nullptr) broken = platform.Leftover();
  }
  return broken;
}

}  // namespace hf::fuzz
