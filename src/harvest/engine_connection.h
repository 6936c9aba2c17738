// One worker thread's link to the log engine and the reading of its records.
#pragma once

#include <cstdint>

#include "abi/log_engine.h"
#include "harvest/com_ptr.h"
#include "harvest/log_record.h"
#include "platform/modules.h"
#include "platform/types.h"

namespace hf {

// The directly loaded engine library and its class factory; both are given
// back, the factory first, when it ends.
struct EngineLibrary {
  platform::ModuleHandle module = nullptr;
  ComPtr<IClassFactoryAbi> classFactory;

  EngineLibrary() = default;
  EngineLibrary(const EngineLibrary &) = delete;
  EngineLibrary &operator=(const EngineLibrary &) = delete;
  ~EngineLibrary();
};

// A scoped object: its destructor runs CloseEngine, so an exception that
// unwinds a worker still releases all. Members go in the reverse order of
// their declaration: the record, the cursor, the engine, then the library
// that holds their code.
struct EngineConnection {
  EngineLibrary engineLibrary;
  ComPtr<ILogEngine> engine;
  ComPtr<ILogCursor> cursor;
  ComPtr<ILogRecord> currentRecord;
  std::int32_t kind = 0;

  EngineConnection() = default;
  EngineConnection(const EngineConnection &) = delete;
  EngineConnection &operator=(const EngineConnection &) = delete;
  ~EngineConnection();
};

// Out-of-process activation first, then Kernel/Morvex.dll beside the host's
// directory: with 8-bit paths when the host's path is ASCII (or the loader has
// no UTF-16 form), with UTF-16 paths otherwise.
void OpenEngine(EngineConnection &connection);
bool OpenFirstLog(EngineConnection &connection);
bool OpenSecondLog(EngineConnection &connection);
// The connection's cursor must be set. False at the end of the log; record
// is then untouched.
bool ReadNextRecord(EngineConnection &connection, LogRecord &record);

// One engine record as the getters gave it. The texts are the engine's own:
// valid only while the record is held, so they are read in place, not copied.
struct HeldRecord {
  const NativeChar16 *objectPath = nullptr;
  const NativeChar16 *secondText = nullptr;
  std::int32_t number = 0;
  Timestamp timestamp{};
};

// Asks the cursor for the next record into connection.currentRecord; true
// when one was delivered. The caller must release it before the next read.
[[nodiscard]] bool FetchNextRecord(EngineConnection &connection);

// Reads the next record as ReadNextRecord does, with the same engine calls in
// the same order (Next, the four getters, Release), but hands the record to
// use(const HeldRecord &) while it is still held instead of copying its texts.
// False at the end of the log, without calling use.
template <class Use>
bool ReadNextRecordInPlace(EngineConnection &connection, Use &&use) {
  if (!FetchNextRecord(connection)) return false;
  // The record is released when this read ends, also by an exception.
  struct ReleaseAtEnd {
    ComPtr<ILogRecord> &record;
    ~ReleaseAtEnd() { record.reset(); }
  } release{connection.currentRecord};
  ILogRecord &current = *connection.currentRecord;
  HeldRecord held;
  current.GetObjectPath(&held.objectPath);
  current.GetSecondText(&held.secondText);
  current.GetNumber(&held.number);
  current.GetTime(&held.timestamp);
  use(static_cast<const HeldRecord &>(held));
  return true;
}

// Releases cursor, engine, class factory, library, each only when held. Idempotent.
void CloseEngine(EngineConnection &connection) noexcept;

// Releases the cursor and then the engine, each only when set (the worker does
// this before it leaves its COM apartment).
void ReleaseCursorAndEngine(EngineConnection &connection) noexcept;

// Loads the library (by name, else through the search) and obtains its class
// factory; true on success, false with nothing held otherwise. The UTF-16 form
// loads and searches with the loader's wide calls.
[[nodiscard]] bool LoadEngineLibrary(EngineLibrary &library, const char *fileName);
[[nodiscard]] bool LoadEngineLibrary(EngineLibrary &library, const char16_t *fileName);
// The status of the class factory's CreateInstance, which fills engine;
// E_FAIL, with engine empty, when there is no factory.
[[nodiscard]] HRESULT CreateEngineObject(EngineLibrary &library, ComPtr<ILogEngine> &engine);
// Releases the class factory, then frees the library, each only when held.
void FreeEngineLibrary(EngineLibrary &library) noexcept;

// The engine library's path built from the host executable's path: its last
// directory replaced by "<sep>Kernel<sep>Morvex.dll" behind the separator that
// ends the parent, so two separators stand in a row. Written into a zero-filled
// buffer of 260 bytes. False (buffer all zeros) when the host path has fewer
// than two separators or the result would not fit with its terminator.
[[nodiscard]] bool BuildEngineLibraryPath(const char *hostExecutable, char (&path)[260]);
// The same path built from the host executable's UTF-16 path, in 260 units.
[[nodiscard]] bool BuildEngineLibraryPath(const char16_t *hostExecutable, char16_t (&path)[260]);

}  // namespace hf
