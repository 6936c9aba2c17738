#include "scripted_platform.h"

namespace hf::fuzz {
namespace {

constexpr char kSearchedPath[] = "searched-Morvex.dll";

}  // namespace

ScriptedPlatform::ScriptedPlatform(const EngineScript &script, const Timestamp &today, bool todayKnown,
                                   std::int64_t now) {
  fakes::EngineScript &engine = engine_.script;
  engine.logs[0].steps = script.firstLog;
  engine.logs[1].steps = script.secondLog;
  // A log that does not open fails without a cursor.
  for (int log = 0; log < 2; ++log) {
    if (log == 0 ? script.firstLogOpens : script.secondLogOpens) continue;
    engine.logs[log].openResult = kE_FAIL;
    engine.logs[log].opensCursor = false;
  }
  switch (script.factory) {
    case FactoryMode::kInstanceFails: engine.createResult = kE_FAIL; break;
    case FactoryMode::kRefuses: engine.entryResult = kE_FAIL; break;
    case FactoryMode::kRefusesButSets:
      engine.entryResult = kE_FAIL;
      engine.entryStoresOnFailure = true;
      break;
    case FactoryMode::kThrows: engine.entryThrows = true; break;
    case FactoryMode::kNoEntry: modules_.memoryHasEntry = false; break;
    case FactoryMode::kServes: break;
  }

  if (script.route == EngineRoute::kComServer) com_.engine = &engine_;
  modules_.hostPath = script.hostPath;
  if (script.route == EngineRoute::kLibrary) modules_.memoryEngine = &engine_;
  if (script.route == EngineRoute::kLibraryBySearch) {
    modules_.memoryEngine = &engine_;
    modules_.memoryPath = kSearchedPath;
    modules_.searchAnswer = kSearchedPath;
  }

  clock_.base = now;
  clock_.today = today;
  clock_.todayAvailable = todayKnown;
}

const char *ScriptedPlatform::Leftover() const {
  const fakes::EngineLedger &ledger = engine_.ledger;
  if (ledger.live[fakes::kEngine] != 0) return "an engine object not released exactly once";
  if (ledger.live[fakes::kCursor] != 0) return "a cursor not released exactly once";
  if (ledger.live[fakes::kRecord] != 0) return "a record not released exactly once";
  if (ledger.live[fakes::kFactory] != 0) return "a class factory not released exactly once";
  if (modules_.Held() != 0) return "an engine library not freed exactly once";
  if (com_.depth != 0) return "a COM apartment not left";
  if (const char *misuse = ledger.Misuse()) return misuse;
  if (const char *misuse = com_.Misuse()) return misuse;
  return modules_.Misuse();
}

}  // namespace hf::fuzz
