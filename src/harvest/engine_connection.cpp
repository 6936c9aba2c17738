// Opening, reading and closing one thread's connection to the log engine.
#include "harvest/engine_connection.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
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

// The loader's calls for one width of path: 8-bit (char) or UTF-16 (char16_t).
platform::ModuleHandle LoadPath(platform::Modules &modules, const char *path) { return modules.Load(path); }
platform::ModuleHandle LoadPath(platform::Modules &modules, const char16_t *path) { return modules.LoadWide(path); }
std::uint32_t SearchFile(platform::Modules &modules, const char *file, char *buffer, std::uint32_t size) {
  return modules.Search(file, buffer, size);
}
std::uint32_t SearchFile(platform::Modules &modules, const char16_t *file, char16_t *buffer, std::uint32_t size) {
  return modules.SearchWide(file, buffer, size);
}

template <typename Unit>
bool BuildPath(const Unit *hostExecutable, Unit (&path)[kPathBufferSize]) {
  using Text = std::basic_string<Unit>;
  std::fill(std::begin(path), std::end(path), Unit{});
  if (hostExecutable == nullptr) return false;
  const Unit separator = static_cast<Unit>(platform::PathSeparator());
  // Never reads past the buffer the host path came in, terminated or not.
  const Unit *terminator = std::char_traits<Unit>::find(hostExecutable, kPathBufferSize, Unit{});
  if (terminator == nullptr) return false;
  const Text host(hostExecutable, terminator);
  const std::size_t fileStart = host.rfind(separator);
  if (fileStart == Text::npos || fileStart == 0) return false;
  const std::size_t parentEnd = host.rfind(separator, fileStart - 1);
  if (parentEnd == Text::npos) return false;
  const std::string narrowTail = std::string(1, platform::PathSeparator()) + "Kernel" +
                                 platform::PathSeparator() + "Morvex.dll";
  const Text tail(narrowTail.begin(), narrowTail.end());  // ASCII: the same text in either width
  const std::size_t length = parentEnd + 1 + tail.size();
  if (length + 1 > kPathBufferSize) return false;
  std::copy(host.begin(), host.begin() + static_cast<std::ptrdiff_t>(parentEnd + 1), path);
  std::copy(tail.begin(), tail.end(), path + parentEnd + 1);
  return true;
}

template <typename Unit>
bool LoadLibraryOf(EngineLibrary &library, const Unit *fileName) {
  FreeEngineLibrary(library);
  if (fileName == nullptr) return false;
  platform::Modules &modules = platform::CurrentModules();

  library.module = LoadPath(modules, fileName);
  if (library.module == nullptr) {
    Unit found[kPathBufferSize] = {};
    const std::uint32_t foundLength = SearchFile(modules, fileName, found, kPathBufferSize);
    // A result of the buffer's size or more is the size a longer path would need.
    if (foundLength == 0 || foundLength >= kPathBufferSize) return false;
    library.module = LoadPath(modules, found);
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

// Builds the engine library's path from the host executable's path (in
// either width), loads that library and creates the engine.
template <typename Unit>
void OpenBesideHost(EngineConnection &connection, const Unit (&host)[kPathBufferSize], std::uint32_t hostLength) {
  Unit path[kPathBufferSize];
  // A truncated or unreadable host path, or one without a parent directory,
  // leaves the connection without an engine rather than loading a wrong file.
  if (hostLength == 0 || hostLength >= kPathBufferSize || !BuildPath(host, path)) return;
  if (!LoadLibraryOf(connection.engineLibrary, path)) return;
  // A failed creation leaves nothing of its output to release.
  if (CreateEngineObject(connection.engineLibrary, connection.engine) != kS_OK)
    static_cast<void>(connection.engine.detach());
}

// True when a unit before the terminator lies outside ASCII.
bool HasNonAscii(const char16_t (&text)[kPathBufferSize]) {
  for (const char16_t unit : text) {
    if (unit == u'\0') return false;
    if (unit > 0x7F) return true;
  }
  return false;
}

}  // namespace

EngineLibrary::~EngineLibrary() { FreeEngineLibrary(*this); }

EngineConnection::~EngineConnection() { CloseEngine(*this); }

bool BuildEngineLibraryPath(const char *hostExecutable, char (&path)[260]) {
  return BuildPath(hostExecutable, path);
}

bool BuildEngineLibraryPath(const char16_t *hostExecutable, char16_t (&path)[260]) {
  return BuildPath(hostExecutable, path);
}

void OpenEngine(EngineConnection &connection) {
  // A connection opened twice gives back what it held instead of leaking it.
  CloseEngine(connection);

  const HRESULT activation = platform::CurrentCom().CreateInstance(
      kClsidLogEngine, platform::kClsctxLocalServer, kIidLogEngine, connection.engine.put_void());
  if (activation == kS_OK && connection.engine != nullptr) return;
  // What a failed activation left there is not ours to release.
  static_cast<void>(connection.engine.detach());

  // The UTF-16 host path decides the way. An ASCII path, or none, goes the
  // 8-bit way as it always has; a path outside ASCII, which an 8-bit path may
  // hold with '?' in place of what the code page lacks, goes the UTF-16 way
  // throughout.
  platform::Modules &modules = platform::CurrentModules();
  char16_t wideHost[kPathBufferSize] = {};
  const std::uint32_t wideLength = modules.HostExecutablePathWide(wideHost, kPathBufferSize);
  if (wideLength != 0 && HasNonAscii(wideHost)) {
    OpenBesideHost(connection, wideHost, wideLength);
    return;
  }
  char host[kPathBufferSize] = {};
  const std::uint32_t hostLength = modules.HostExecutablePath(host, sizeof host);
  OpenBesideHost(connection, host, hostLength);
}

bool OpenFirstLog(EngineConnection &connection) {
  return OpenLogCursor(connection, 0, &ILogEngine::OpenFirstLog);
}

bool OpenSecondLog(EngineConnection &connection) {
  return OpenLogCursor(connection, 1, &ILogEngine::OpenSecondLog);
}

bool FetchNextRecord(EngineConnection &connection) {
  if (connection.cursor == nullptr) return false;
  std::uint32_t fetched = 0;
  const HRESULT next = connection.cursor->Next(1, connection.currentRecord.put(), &fetched);
  if (next != kS_OK) {
    // Nothing delivered: whatever an engine left there is not ours to use.
    static_cast<void>(connection.currentRecord.detach());
    return false;
  }
  return connection.currentRecord != nullptr;
}

bool ReadNextRecord(EngineConnection &connection, LogRecord &record) {
  return ReadNextRecordInPlace(connection, [&record](const HeldRecord &held) {
    CopyText(held.objectPath, record.objectPath);
    CopyText(held.secondText, record.secondText);
    record.number = held.number;
    record.timestamp = held.timestamp;
  });
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
  return LoadLibraryOf(library, fileName);
}

bool LoadEngineLibrary(EngineLibrary &library, const char16_t *fileName) {
  return LoadLibraryOf(library, fileName);
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
