// A log engine played from a script, with the COM run-time, the library
// loader and the clock that serve it, all of them the test fakes. They count
// every reference, load and apartment, so a check can tell that the library
// gave back each exactly once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/clock.h"
#include "fakes/com.h"
#include "fakes/modules.h"
#include "fakes/scoped.h"
#include "fakes/scripted_engine.h"
#include "platform/types.h"

namespace hf::fuzz {

using fakes::NativeText;
using fakes::ScriptedStep;

// How the engine is reached.
enum class EngineRoute : std::uint8_t {
  kComServer,        // CoCreateInstance serves the engine
  kLibrary,          // CoCreateInstance fails; the engine library serves it
  kLibraryBySearch,  // the built path does not load; the search finds the library
  kNothing,          // nothing serves an engine
};

// What the engine library's DllGetClassObject does.
enum class FactoryMode : std::uint8_t {
  kServes,          // a class factory whose CreateInstance succeeds
  kInstanceFails,   // a class factory whose CreateInstance fails
  kRefuses,         // DllGetClassObject returns E_FAIL
  kRefusesButSets,  // DllGetClassObject returns E_FAIL yet hands out a factory
  kThrows,          // DllGetClassObject throws a C++ exception
  kNoEntry,         // the library has no DllGetClassObject
};

struct EngineScript {
  EngineRoute route = EngineRoute::kComServer;
  FactoryMode factory = FactoryMode::kServes;
  std::string hostPath;  // what GetModuleFileNameA reports
  bool firstLogOpens = true;
  bool secondLogOpens = true;
  std::vector<ScriptedStep> firstLog;
  std::vector<ScriptedStep> secondLog;
};

// The engine, the COM run-time, the loader and the clock that serve script,
// installed for the lifetime of this object. Only one may exist at a time.
class ScriptedPlatform {
 public:
  ScriptedPlatform(const EngineScript &script, const Timestamp &today, bool todayKnown, std::int64_t now);
  ScriptedPlatform(const ScriptedPlatform &) = delete;
  ScriptedPlatform &operator=(const ScriptedPlatform &) = delete;

  const fakes::EngineLedger &Ledger() const noexcept { return engine_.ledger; }
  // nullptr when everything handed out has been given back and nothing was
  // misused, else what was not.
  const char *Leftover() const;

 private:
  fakes::ScriptedEngine engine_;
  fakes::FakeCom com_;
  fakes::FakeModules modules_{&fakes::NoModules()};
  fakes::TestClock clock_;
  fakes::ScopedCom installedCom_{com_};
  fakes::ScopedModules installedModules_{modules_};
  fakes::ScopedClock installedClock_{clock_};
};

}  // namespace hf::fuzz
