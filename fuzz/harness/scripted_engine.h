// A log engine played from a script, with the COM run-time, the library
// loader and the clock that serve it. It counts every reference and load, so a
// check can tell that the library released each exactly once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "abi/log_engine.h"
#include "platform/clock.h"
#include "platform/com_runtime.h"
#include "platform/modules.h"
#include "platform/types.h"

namespace hf::fuzz {

using NativeText = std::basic_string<NativeChar16>;

// One answer of ILogCursor::Next and, when it delivers one, the record.
struct ScriptedStep {
  HRESULT nextResult = kS_OK;
  bool storesRecord = true;       // false: Next answers nextResult but stores nothing
  bool pathIsNull = false;        // GetObjectPath hands out a null pointer
  bool secondIsNull = false;
  bool gettersWrite = true;       // false: every getter fails without writing
  NativeText path;                // may hold NULs; the engine hands out a NUL-terminated copy
  NativeText secondText;
  std::int32_t number = 0;
  Timestamp time{};
};

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

// Live objects and misuse, counted across threads.
struct EngineLedger {
  std::atomic<int> engines{0};
  std::atomic<int> cursors{0};
  std::atomic<int> records{0};
  std::atomic<int> factories{0};
  std::atomic<int> modules{0};
  std::atomic<int> apartments{0};
  std::atomic<const char *> misuse{nullptr};

  void Note(const char *what) noexcept {
    const char *none = nullptr;
    misuse.compare_exchange_strong(none, what);
  }
  // nullptr when everything handed out has been given back, else what was not.
  const char *Leftover() const noexcept;
};

// The COM run-time, the loader and the clock that serve script, installed
// for the lifetime of this object. Only one may exist at a time.
class ScriptedPlatform {
 public:
  ScriptedPlatform(const EngineScript &script, const Timestamp &today, bool todayKnown,
                   std::int64_t now);
  ~ScriptedPlatform();
  ScriptedPlatform(const ScriptedPlatform &) = delete;
  ScriptedPlatform &operator=(const ScriptedPlatform &) = delete;

  EngineLedger &Ledger() noexcept;

 private:
  struct Parts;
  Parts *parts_;
};

}  // namespace hf::fuzz
