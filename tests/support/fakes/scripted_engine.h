// A log engine played from a script. Every object it hands out is counted
// until its last reference is released, every call is logged, and calls the
// library should never make are noted as misuse. Includes only the engine's
// binary interface, so a loadable test engine library compiles it as well.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abi/log_engine.h"

namespace hf::fakes {

using NativeText = std::basic_string<NativeChar16>;

// What goes wrong with one step besides its answer.
enum class Fault : std::uint8_t {
  kNone,
  kNextThrows,     // Next throws an int instead of answering
  kGettersThrow,   // GetObjectPath, GetSecondText and GetTime throw std::bad_alloc
  kPathThrows,     // GetObjectPath throws std::runtime_error
  kTimeThrows,     // GetTime throws std::logic_error
  kReleaseThrows,  // the record's last Release throws std::runtime_error once the record is gone
};

// One answer of ILogCursor::Next and, when it delivers one, the record.
struct ScriptedStep {
  HRESULT nextResult = kS_OK;
  bool storesRecord = true;  // false: Next answers nextResult but stores nothing
  bool gettersWrite = true;  // false: every getter fails without writing
  bool pathIsNull = false;   // GetObjectPath hands out a null pointer
  bool secondIsNull = false;
  Fault fault = Fault::kNone;
  NativeText path;  // may hold NULs; the record hands out a NUL-terminated copy
  NativeText secondText;
  std::int32_t number = 0;
  Timestamp time{};
};

// A step that delivers a record of path dated time.
ScriptedStep RecordStep(std::u16string_view path, const Timestamp &time);

struct LogScript {
  HRESULT openResult = kS_OK;    // what opening the log answers
  bool opensCursor = true;       // false: opening stores no cursor
  std::vector<ScriptedStep> steps;
  HRESULT endResult = kS_FALSE;  // Next's answer once the steps are used up
  bool releaseThrows = false;    // the cursor's last Release throws an int once the cursor is gone
  // When set, called before Next answers for the step at position pauseAt, on
  // the reading thread: a test holds the reader there while it acts.
  void (*pause)(void *context) = nullptr;
  void *pauseContext = nullptr;
  std::size_t pauseAt = 0;
};

struct EngineScript {
  HRESULT entryResult = kS_OK;        // DllGetClassObject's result
  bool entryStoresOnFailure = false;  // a class factory is handed out even when entryResult is not S_OK
  bool entryFaults = false;           // DllGetClassObject writes to an unmapped address
  bool entryThrows = false;           // DllGetClassObject throws a C++ exception
  HRESULT createResult = kS_OK;       // the class factory's CreateInstance; no engine unless S_OK
  bool releaseThrows = false;         // each engine's last Release throws std::logic_error once it is gone
  LogScript logs[2];                  // the first and the second log
};

enum ObjectKind : int { kFactory = 0, kEngine = 1, kCursor = 2, kRecord = 3, kObjectKinds = 4 };

struct EngineCounts {
  int created[kObjectKinds] = {};
  int addRefs[kObjectKinds] = {};
  int releases[kObjectKinds] = {};
  int live[kObjectKinds] = {};
};

// What the engine's objects saw, counted across threads. Events, one letter
// each, in order: '1'/'2' OpenFirstLog/OpenSecondLog, 'B' Begin, 'N' Next,
// 'o' GetObjectPath, 's' GetSecondText, 'n' GetNumber, 't' GetTime, and when
// an object is destroyed 'f' factory, 'e' engine, 'c' cursor, 'r' record.
class EngineLedger {
 public:
  std::atomic<int> created[kObjectKinds] = {};
  std::atomic<int> addRefs[kObjectKinds] = {};
  std::atomic<int> releases[kObjectKinds] = {};
  std::atomic<int> live[kObjectKinds] = {};

  EngineCounts Counts() const noexcept;
  // Objects of any kind not yet released.
  int Live() const noexcept;
  std::string Events() const;
  // The first misuse noted, or nullptr.
  const char *Misuse() const noexcept { return misuse_.load(); }
  // nullptr when every object has been released and nothing was misused, else what was not.
  const char *Leftover() const noexcept;

  void Event(char event) noexcept;
  void Note(const char *misuse) noexcept;
  void Reset() noexcept;

 private:
  static constexpr int kEventCapacity = 1024;
  std::atomic<int> eventCount_{0};
  char events_[kEventCapacity] = {};
  std::atomic<const char *> misuse_{nullptr};
};

// The engine: its script, read by every object it hands out, and its ledger.
// Change the script only while none of its objects is alive.
class ScriptedEngine {
 public:
  EngineScript script;
  EngineLedger ledger;

  // A new engine object with one reference, as an out-of-process server
  // hands it out to CoCreateInstance.
  HRESULT CreateEngine(const Guid &iid, void **out);
  // DllGetClassObject of a library serving this engine.
  HRESULT GetClassObject(const Guid &clsid, const Guid &iid, void **out);
  // The script and the ledger back to their defaults.
  void Reset();
};

// References to scripted objects taken minus released on the calling thread:
// a worker that leaves its apartment must have given back all it took there.
int ReferencesHeldOnThisThread() noexcept;

}  // namespace hf::fakes
