// The floor of a rebuild: the engine's own reading and nothing else. Loads
// the engine library, reads both history logs at once on two threads, and for
// every record makes exactly the engine calls a rebuild makes (Next, the four
// getters in order, Release), then prints how many records each log gave.
//
// Usage: hotfolders-engine-floor [ENGINE_LIBRARY]
// The library defaults to Kernel/Morvex.dll beside the directory of this
// program's directory; the engine finds its logs as for any host
// (MORVEX_HISTORY_DIR, else History/ beside Kernel/).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "abi/log_engine.h"
#include "platform/modules.h"

namespace {

// Records read from one log, or -1 when the engine gave no cursor.
std::int64_t ReadLog(hf::IClassFactoryAbi *factory, bool firstLog) {
  hf::ILogEngine *engine = nullptr;
  if (factory->CreateInstance(nullptr, hf::kIidLogEngine, reinterpret_cast<void **>(&engine)) != hf::kS_OK ||
      engine == nullptr)
    return -1;
  hf::ILogCursor *cursor = nullptr;
  if (firstLog)
    engine->OpenFirstLog(&cursor);
  else
    engine->OpenSecondLog(&cursor);
  std::int64_t records = -1;
  if (cursor != nullptr) {
    records = 0;
    cursor->Begin();
    for (;;) {
      hf::ILogRecord *record = nullptr;
      std::uint32_t fetched = 0;
      if (cursor->Next(1, &record, &fetched) != hf::kS_OK || record == nullptr) break;
      const hf::NativeChar16 *path = nullptr;
      const hf::NativeChar16 *second = nullptr;
      std::int32_t number = 0;
      hf::Timestamp time{};
      record->GetObjectPath(&path);
      record->GetSecondText(&second);
      record->GetNumber(&number);
      record->GetTime(&time);
      record->Release();
      ++records;
    }
    cursor->Release();
  }
  engine->Release();
  return records;
}

}  // namespace

int main(int argc, char **argv) {
  std::string library;
  if (argc > 1) {
    library = argv[1];
  } else {
    std::error_code error;
    const auto self = std::filesystem::canonical("/proc/self/exe", error);
    library = (self.parent_path().parent_path() / "Kernel" / "Morvex.dll").string();
  }
  hf::platform::Modules &modules = hf::platform::SystemModules();
  hf::platform::ModuleHandle module = modules.Load(library.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "hotfolders-engine-floor: cannot load %s\n", library.c_str());
    return 1;
  }
  auto entry = reinterpret_cast<hf::platform::GetClassObjectFn>(modules.Symbol(module, "DllGetClassObject"));
  hf::IClassFactoryAbi *factory = nullptr;
  if (entry == nullptr ||
      entry(hf::kClsidLogEngine, hf::kIidClassFactory, reinterpret_cast<void **>(&factory)) != hf::kS_OK ||
      factory == nullptr) {
    std::fprintf(stderr, "hotfolders-engine-floor: %s serves no engine\n", library.c_str());
    return 1;
  }
  std::int64_t counts[2] = {};
  std::thread second([&] { counts[1] = ReadLog(factory, false); });
  counts[0] = ReadLog(factory, true);
  second.join();
  factory->Release();
  std::printf("first=%lld second=%lld\n", static_cast<long long>(counts[0]), static_cast<long long>(counts[1]));
  return counts[0] < 0 || counts[1] < 0 ? 1 : 0;
}
