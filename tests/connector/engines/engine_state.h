// The script and counters of the scripted test engine, shared by address
// between the engine and the tests (ScriptedEngineState).
#pragma once

#include <cstdint>

namespace hf::test {

// What the engine does; set by a test before the engine is used.
struct EngineScript {
  std::int32_t entryResult = 0;           // DllGetClassObject's result
  std::int32_t entryStoresOnFailure = 0;  // store a class factory even when entryResult != 0
  std::int32_t entryFaults = 0;           // DllGetClassObject writes through a null pointer
  std::int32_t entryThrows = 0;           // DllGetClassObject throws a C++ exception
  std::int32_t createResult = 0;          // CreateInstance's result; no engine unless 0
  std::int32_t openLeavesEmpty = 0;       // OpenFirstLog/OpenSecondLog store no cursor
  std::int32_t recordCount = 0;           // records in each log
  std::int32_t endResult = 1;             // Next's result once the log is exhausted
  std::int32_t getters = 0;               // a GettersMode
};

enum GettersMode : std::int32_t { kGettersWrite = 0, kGettersWriteNothing = 1, kGettersNullTexts = 2 };

enum ObjectKind : std::int32_t { kFactory = 0, kEngine = 1, kCursor = 2, kRecord = 3, kObjectKinds = 4 };

// What happened. Events, one letter each, in order: '1'/'2' OpenFirstLog/
// OpenSecondLog, 'B' Begin, 'N' Next, 'o' GetObjectPath, 's' GetSecondText,
// 'n' GetNumber, 't' GetTime, and when an object is destroyed 'f' factory,
// 'e' engine, 'c' cursor, 'r' record.
struct EngineCounters {
  std::int32_t created[kObjectKinds] = {};
  std::int32_t addRefs[kObjectKinds] = {};
  std::int32_t releases[kObjectKinds] = {};
  std::int32_t live[kObjectKinds] = {};
  std::int32_t eventCount = 0;
  char events[1024] = {};
};

struct EngineState {
  EngineScript script;
  EngineCounters counters;
};

// The engine's exported accessor.
using EngineStateFn = EngineState *(*)();

}  // namespace hf::test
