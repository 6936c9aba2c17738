// Opening, reading and closing one thread's connection to the log engine.
#include "harvest/engine_connection.h"

#include <cstring>
#include <string>

#include "platform/com_runtime.h"

namespace hf {
namespace {

constexpr std::size_t kPathBufferSize = 260;

// The length of a NUL-terminated text, four units a step; no unit after the
// terminator is read (a wider read could reach past the engine's storage,
// which memory checkers rightly report).
std::size_t TextLength(const NativeChar16 *text) noexcept {
  const NativeChar16 *at = text;
  for (;; at += 4) {
    if (at[0] == 0) break;
    if (at[1] == 0) return static_cast<std::size_t>(at - text) + 1;
    if (at[2] == 0) return static_cast<std::size_t>(at - text) + 2;
    if (at[3] == 0) return static_cast<std::size_t>(at - text) + 3;
  }
  return static_cast<std::size_t>(at - text);
}

// Copies an engine text into an existing string, reusing its storage; a null
// text gives the empty string.
void CopyText(const NativeChar16 *text, WideString &target) {
  if (text == nullptr) {
    target.clear();
    return;
  }
  // Both unit types are 16 bits wide, so the text is copied as it stands.
  static_assert(sizeof(NativeChar16) == sizeof(char16_t), "16-bit text units");
  // clear and append: the cheapest way in to a string whose storage is kept.
  target.clear();
  target.append(reinterpret_cast<const char16_t *>(text), TextLength(text));
}

using OpenLog = HRESULT (ILogEngine::*)(ILogCursor **);

bool OpenLogCursor(EngineConnection &connection, std::int32_t kind, OpenLog open) {
  if (connection.engine == nullptr) return false;
  connection.kind = kind;
  // A cursor from an earlier open is given back before the new one is asked for.
  (connection.engine.get()->*open)(connection.cursor.put());
  if (connection.cursor == nullptr) return false;
  connection.cursor->Begin();
  return true;
}

}  // namespace

EngineLibrary::~EngineLibrary() { FreeEngineLibrary(*this); }

EngineConnection::~EngineConnection() { CloseEngine(*this); }

bool BuildEngineLibraryPath(const char *hostExecutable, char (&path)[260]) {
  std::memset(path, 0, sizeof path);
  if (hostExecutable == nullptr) return false;
  const char separator = platform::PathSeparator();
  // Never reads past the buffer the host path came in, terminated or not.
  const void *terminator = std::memchr(hostExecutable, '\0', kPathBufferSize);
  if (terminator == nullptr) return false;
  const std::string host(hostExecutable, static_cast<const char *>(terminator));
  const std::size_t fileStart = host.rfind(separator);
  if (fileStart == std::string::npos || fileStart == 0) return false;
  const std::size_t parentEnd = host.rfind(separator, fileStart - 1);
  if (parentEnd == std::string::npos) return false;
  const std::string tail = std::string(1, separator) + "Kernel" + separator + "Morvex.dll";
  const std::size_t length = parentEnd + 1 + tail.size();
  if (length + 1 > kPathBufferSize) return false;
  std::memcpy(path, host.data(), parentEnd + 1);
  std::memcpy(path + parentEnd + 1, tail.data(), tail.size());
  return true;
}

void OpenEngine(EngineConnection &connection) {
  // A connection opened twice gives back what it held instead of leaking it.
  CloseEngine(connection);

  const HRESULT activation = platform::CurrentCom().CreateInstance(
      kClsidLogEngine, platform::kClsctxLocalServer, kIidLogEngine, connection.engine.put_void());
  if (activation == kS_OK && connection.engine != nullptr) return;
  // What a failed activation left there is not ours to release.
  static_cast<void>(connection.engine.detach());

  char host[kPathBufferSize] = {};
  const std::uint32_t hostLength = platform::CurrentModules().HostExecutablePath(host, sizeof host);
  char path[kPathBufferSize];
  // A truncated or unreadable host path, or one without a parent directory,
  // leaves the connection without an engine rather than loading a wrong file.
  if (hostLength == 0 || hostLength >= sizeof host || !BuildEngineLibraryPath(host, path)) return;
  if (!LoadEngineLibrary(connection.engineLibrary, path)) return;
  // A failed creation leaves nothing of its output to release.
  if (CreateEngineObject(connection.engineLibrary, connection.engine) != kS_OK)
    static_cast<void>(connection.engine.detach());
}

bool OpenFirstLog(EngineConnection &connection) {
  return OpenLogCursor(connection, 0, &ILogEngine::OpenFirstLog);
}

bool OpenSecondLog(EngineConnection &connection) {
  return OpenLogCursor(connection, 1, &ILogEngine::OpenSecondLog);
}

bool ReadNextRecord(EngineConnection &connection, LogRecord &record) {
  if (connection.cursor == nullptr) return false;
  std::uint32_t fetched = 0;
  const HRESULT next = connection.cursor->Next(1, connection.currentRecord.put(), &fetched);
  if (next != kS_OK) {
    // Nothing delivered: whatever an engine left there is not ours to use.
    static_cast<void>(connection.currentRecord.detach());
    return false;
  }
  if (connection.currentRecord == nullptr) return false;

  // The record is released when this read ends, also by an exception.
  struct ReleaseAtEnd {
    ComPtr<ILogRecord> &record;
    ~ReleaseAtEnd() { record.reset(); }
  } release{connection.currentRecord};
  ILogRecord &current = *connection.currentRecord;

  const NativeChar16 *text = nullptr;
  current.GetObjectPath(&text);
  CopyText(text, record.objectPath);

  text = nullptr;
  current.GetSecondText(&text);
  CopyText(text, record.secondText);

  std::int32_t number = 0;
  current.GetNumber(&number);
  record.number = number;

  Timestamp time{};
  current.GetTime(&time);
  record.timestamp = time;
  return true;
}

void ReleaseCursorAndEngine(EngineConnection &connection) noexcept {
  connection.cursor.reset();
  connection.engine.reset();
}

void CloseEngine(EngineConnection &connection) noexcept {
  ReleaseCursorAndEngine(connection);
  FreeEngineLibrary(connection.engineLibrary);
}

bool LoadEngineLibrary(EngineLibrary &library, const char *fileName) {
  FreeEngineLibrary(library);
  if (fileName == nullptr) return false;
  platform::Modules &modules = platform::CurrentModules();

  library.module = modules.Load(fileName);
  if (library.module == nullptr) {
    char found[kPathBufferSize] = {};
    const std::uint32_t foundLength = modules.Search(fileName, found, sizeof found);
    // A result of the buffer's size or more is the size a longer path would need.
    if (foundLength == 0 || foundLength >= sizeof found) return false;
    library.module = modules.Load(found);
    if (library.module == nullptr) return false;
  }

  bool faulted = false;
  HRESULT result = kE_FAIL;
  void *entry = modules.Symbol(library.module, "DllGetClassObject");
  if (entry != nullptr) {
    const auto getClassObject = reinterpret_cast<platform::GetClassObjectFn>(entry);
    faulted = !platform::CallGuarded(getClassObject, kClsidLogEngine, kIidClassFactory,
                                     library.classFactory.put_void(), &result);
  }
  if (entry != nullptr && !faulted && result == kS_OK) return true;

  // Whatever a faulting entry left behind cannot be trusted to be released.
  if (faulted) static_cast<void>(library.classFactory.detach());
  FreeEngineLibrary(library);
  return false;
}

HRESULT CreateEngineObject(EngineLibrary &library, ComPtr<ILogEngine> &engine) {
  engine.reset();
  if (library.classFactory == nullptr) return kE_FAIL;
  return library.classFactory->CreateInstance(nullptr, kIidLogEngine, engine.put_void());
}

void FreeEngineLibrary(EngineLibrary &library) noexcept {
  library.classFactory.reset();
  platform::ModuleHandle const module = library.module;
  library.module = nullptr;
  if (module == nullptr) return;
  try {
    platform::CurrentModules().Free(module);
  } catch (...) {
    // Unloading runs the engine's own code; a throw from it is dropped too.
  }
}

}  // namespace hf
