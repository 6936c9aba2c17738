// morvex-oop-read: reads one log through the engine server as the library
// does (an STA thread, CoCreateInstance of the local server, Next one record
// at a time with its four getters) and prints the throughput:
//   records=<n> seconds=<s> activation_ms=<a> batch=<b>
// Usage: morvex-oop-read [--second] [--in-process Morvex.dll]. The server
// must be registered; with --in-process the same reading goes to the engine
// library loaded into this process instead (activation_ms is then the time
// to load it and make the engine), for comparison.
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "abi/log_engine.h"
#include "com_ref.h"
#include "morvex_remote.h"
#include "serve_options.h"

namespace {

using Clock = std::chrono::steady_clock;
using morvex::remote::ComRef;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The engine from the library at path, loaded into this process.
HRESULT CreateInProcess(const char *path, const CLSID &clsid, ComRef<ILogEngine> *engine) {
  HMODULE module = ::LoadLibraryA(path);
  if (module == nullptr) return HRESULT_FROM_WIN32(::GetLastError());
  using GetClassObject = HRESULT(WINAPI *)(REFCLSID, REFIID, void **);
  const auto entry =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void (*)()>(::GetProcAddress(module, "DllGetClassObject")));
  if (entry == nullptr) return E_NOINTERFACE;
  ComRef<IClassFactory> factory;
  HRESULT result = entry(clsid, IID_IClassFactory, factory.PutVoid());
  if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, IID_ILogEngine, engine->PutVoid());
  return result;
}

int Read(bool second, const char *inProcess) {
  CLSID clsid;
  static_assert(sizeof clsid == sizeof hf::kClsidLogEngine, "one GUID layout");
  std::memcpy(&clsid, &hf::kClsidLogEngine, sizeof clsid);

  const Clock::time_point start = Clock::now();
  ComRef<ILogEngine> engine;
  HRESULT result = inProcess != nullptr
                       ? CreateInProcess(inProcess, clsid, &engine)
                       : ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_ILogEngine, engine.PutVoid());
  const double activation = Seconds(Clock::now() - start);
  if (FAILED(result)) {
    std::fprintf(stderr, "morvex-oop-read: CoCreateInstance failed: 0x%08lX\n", static_cast<unsigned long>(result));
    return 1;
  }
  ComRef<ILogCursor> cursor;
  result = second ? engine->OpenSecondLog(cursor.Put()) : engine->OpenFirstLog(cursor.Put());
  if (FAILED(result) || !cursor) {
    std::fprintf(stderr, "morvex-oop-read: opening the log failed: 0x%08lX\n", static_cast<unsigned long>(result));
    return 1;
  }
  const Clock::time_point readStart = Clock::now();
  cursor->Begin();
  unsigned long long records = 0;
  unsigned long long checksum = 0;
  for (;;) {
    ILogRecord *raw = nullptr;
    ULONG fetched = 0;
    result = cursor->Next(1, &raw, &fetched);
    if (result != S_OK || fetched != 1) break;
    ComRef<ILogRecord> record(raw);
    const WCHAR *path = nullptr;
    const WCHAR *text = nullptr;
    LONG number = 0;
    SYSTEMTIME time{};
    record->GetObjectPath(&path);
    record->GetSecondText(&text);
    record->GetNumber(&number);
    record->GetTime(&time);
    checksum += static_cast<unsigned long long>(number) + time.wMilliseconds + (path != nullptr ? path[0] : 0) +
                (text != nullptr ? text[0] : 0);
    ++records;
  }
  const double seconds = Seconds(Clock::now() - readStart);
  if (FAILED(result)) {
    std::fprintf(stderr, "morvex-oop-read: Next failed after %llu records: 0x%08lX\n", records,
                 static_cast<unsigned long>(result));
    return 1;
  }
  std::printf("records=%llu seconds=%.3f activation_ms=%.1f batch=%u\n", records, seconds, activation * 1000.0,
              morvex::server::ServeOptions{}.batchRecords);
  std::fprintf(stderr, "checksum=%llu\n", checksum);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  bool second = false;
  const char *inProcess = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--second") == 0) {
      second = true;
    } else if (std::strcmp(argv[i], "--in-process") == 0 && i + 1 < argc) {
      inProcess = argv[++i];
    } else {
      std::fprintf(stderr, "usage: morvex-oop-read [--second] [--in-process Morvex.dll]\n");
      return 2;
    }
  }
  if (FAILED(::CoInitialize(nullptr))) return 1;
  const int status = Read(second, inProcess);
  ::CoUninitialize();
  return status;
}
