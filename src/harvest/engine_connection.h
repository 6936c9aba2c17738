// One worker thread's link to the log engine and the reading of its records.
#pragma once

#include <cstdint>

#include "abi/log_engine.h"
#include "platform/modules.h"
#include "platform/types.h"

namespace hf {

// The library's own copy of one engine record.
struct LogRecord {
  WideString objectPath;
  WideString secondText;
  Timestamp timestamp{};
  std::int32_t number = 0;
};

// The directly loaded engine library and its class factory.
struct EngineLibrary {
  platform::ModuleHandle module = nullptr;
  IClassFactoryAbi *classFactory = nullptr;
};

// Fields in the documented order. A scoped object: its destructor runs
// CloseEngine, so an exception that unwinds a worker still releases all.
struct EngineConnection {
  ILogEngine *engine = nullptr;
  ILogCursor *cursor = nullptr;
  ILogRecord *currentRecord = nullptr;
  std::int32_t kind = 0;
  EngineLibrary engineLibrary;

  EngineConnection() = default;
  EngineConnection(const EngineConnection &) = delete;
  EngineConnection &operator=(const EngineConnection &) = delete;
  ~EngineConnection();
};

// Out-of-process activation first, then Kernel/Morvex.dll beside the host's directory.
void OpenEngine(EngineConnection &connection);
bool OpenFirstLog(EngineConnection &connection);
bool OpenSecondLog(EngineConnection &connection);
// The connection's cursor must be set. False at the end of the log; record
// is then untouched.
bool ReadNextRecord(EngineConnection &connection, LogRecord &record);
// Releases cursor, engine, class factory, library, each only when held. Idempotent.
void CloseEngine(EngineConnection &connection) noexcept;

// Releases the cursor and then the engine, each only when set (the worker does
// this before it leaves its COM apartment).
void ReleaseCursorAndEngine(EngineConnection &connection) noexcept;

// Loads the library (by name, else through the search) and obtains its class
// factory; 1 on success, 0 with nothing held otherwise.
[[nodiscard]] int LoadEngineLibrary(EngineLibrary &library, const char *fileName);
// The status of the class factory's CreateInstance; -1 when there is no
// factory or no output address.
[[nodiscard]] HRESULT CreateEngineObject(EngineLibrary &library, ILogEngine **engine);
// Releases the class factory, then frees the library, each only when held.
void FreeEngineLibrary(EngineLibrary &library) noexcept;

// The engine library's path built from the host executable's path: its last
// directory replaced by "<sep>Kernel<sep>Morvex.dll" behind the separator that
// ends the parent, so two separators stand in a row. Written into a zero-filled
// buffer of 260 bytes. False (buffer all zeros) when the host path has fewer
// than two separators or the result would not fit with its terminator.
[[nodiscard]] bool BuildEngineLibraryPath(const char *hostExecutable, char (&path)[260]);

}  // namespace hf
