#include "scripted_engine.h"

#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>

namespace hf::fuzz {
namespace {

struct Active {
  const EngineScript *script = nullptr;
  EngineLedger *ledger = nullptr;
};
Active active;

// A COM object that counts itself in the ledger while it lives.
template <class Interface>
class Counted : public Interface {
 public:
  Counted(EngineLedger &ledger, std::atomic<int> &live) : ledger_(ledger), live_(live) { ++live_; }
  virtual ~Counted() { --live_; }
  Counted(const Counted &) = delete;
  Counted &operator=(const Counted &) = delete;

  HRESULT QueryInterface(const Guid &, void **out) override {
    ledger_.Note("QueryInterface called");
    if (out != nullptr) *out = nullptr;
    return kE_NOINTERFACE;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  EngineLedger &ledger_;

 private:
  std::atomic<int> &live_;
  std::atomic<std::uint32_t> references_{1};
};

class Record final : public Counted<ILogRecord> {
 public:
  Record(EngineLedger &ledger, const ScriptedStep &step) : Counted(ledger, ledger.records), step_(step) {}

  HRESULT GetObjectPath(const NativeChar16 **text) override { return Text(text, step_.pathIsNull, step_.path); }
  HRESULT GetSecondText(const NativeChar16 **text) override {
    return Text(text, step_.secondIsNull, step_.secondText);
  }
  HRESULT GetNumber(std::int32_t *number) override {
    if (number == nullptr || !step_.gettersWrite) return kE_FAIL;
    *number = step_.number;
    return kS_OK;
  }
  HRESULT GetTime(Timestamp *time) override {
    if (time == nullptr || !step_.gettersWrite) return kE_FAIL;
    *time = step_.time;
    return kS_OK;
  }

 private:
  HRESULT Text(const NativeChar16 **text, bool isNull, const NativeText &value) {
    if (text == nullptr || !step_.gettersWrite) return kE_FAIL;
    *text = isNull ? nullptr : value.c_str();
    return kS_OK;
  }

  const ScriptedStep &step_;
};

class Cursor final : public Counted<ILogCursor> {
 public:
  Cursor(EngineLedger &ledger, const std::vector<ScriptedStep> &steps)
      : Counted(ledger, ledger.cursors), steps_(steps) {}

  HRESULT Next(std::uint32_t count, ILogRecord **record, std::uint32_t *fetched) override {
    if (count != 1) ledger_.Note("Next asked for other than one record");
    if (record == nullptr || fetched == nullptr) {
      ledger_.Note("Next without outputs");
      return kE_INVALIDARG;
    }
    if (begins_ != 1) ledger_.Note("Next without exactly one Begin before it");
    if (*record != nullptr) ledger_.Note("Next into a record slot that still holds a record");
    if (position_ >= steps_.size()) return kS_FALSE;
    const ScriptedStep &step = steps_[position_++];
    if (step.nextResult == kS_OK && step.storesRecord) {
      *record = new Record(ledger_, step);
      *fetched = 1;
    }
    return step.nextResult;
  }
  HRESULT Begin() override {
    if (++begins_ > 1) ledger_.Note("Begin called twice");
    return kS_OK;
  }

 private:
  const std::vector<ScriptedStep> &steps_;
  std::size_t position_ = 0;
  int begins_ = 0;
};

class Engine final : public Counted<ILogEngine> {
 public:
  Engine(EngineLedger &ledger, const EngineScript &script) : Counted(ledger, ledger.engines), script_(script) {}

  HRESULT OpenFirstLog(ILogCursor **cursor) override {
    return Open(cursor, script_.firstLogOpens, script_.firstLog);
  }
  HRESULT OpenSecondLog(ILogCursor **cursor) override {
    return Open(cursor, script_.secondLogOpens, script_.secondLog);
  }

 private:
  HRESULT Open(ILogCursor **cursor, bool opens, const std::vector<ScriptedStep> &steps) {
    if (cursor == nullptr) {
      ledger_.Note("log opened without an output");
      return kE_INVALIDARG;
    }
    if (*cursor != nullptr) ledger_.Note("log opened into a slot that still holds a cursor");
    if (!opens) return kE_FAIL;
    *cursor = new Cursor(ledger_, steps);
    return kS_OK;
  }

  const EngineScript &script_;
};

class Factory final : public Counted<IClassFactoryAbi> {
 public:
  Factory(EngineLedger &ledger, const EngineScript &script) : Counted(ledger, ledger.factories), script_(script) {}

  HRESULT CreateInstance(IUnknownAbi *outer, const Guid &iid, void **out) override {
    if (outer != nullptr || !(iid == kIidLogEngine) || out == nullptr) {
      ledger_.Note("CreateInstance with unexpected arguments");
      return kE_INVALIDARG;
    }
    if (script_.factory == FactoryMode::kInstanceFails) return kE_FAIL;
    *out = static_cast<ILogEngine *>(new Engine(ledger_, script_));
    return kS_OK;
  }
  HRESULT LockServer(std::int32_t) override { return kS_OK; }

 private:
  const EngineScript &script_;
};

HRESULT ScriptedGetClassObject(const Guid &clsid, const Guid &iid, void **out) {
  EngineLedger &ledger = *active.ledger;
  const EngineScript &script = *active.script;
  if (!(clsid == kClsidLogEngine) || !(iid == kIidClassFactory) || out == nullptr) {
    ledger.Note("DllGetClassObject with unexpected arguments");
    return kE_INVALIDARG;
  }
  switch (script.factory) {
    case FactoryMode::kThrows:
      throw std::runtime_error("engine library failed");
    case FactoryMode::kRefuses:
      return kE_FAIL;
    case FactoryMode::kRefusesButSets:
      *out = static_cast<IClassFactoryAbi *>(new Factory(ledger, script));
      return kE_FAIL;
    default:
      *out = static_cast<IClassFactoryAbi *>(new Factory(ledger, script));
      return kS_OK;
  }
}

class Com final : public platform::ComRuntime {
 public:
  Com(const EngineScript &script, EngineLedger &ledger) : script_(script), ledger_(ledger) {}

  HRESULT Initialize() override {
    ++ledger_.apartments;
    return kS_OK;
  }
  void Uninitialize() override {
    if (--ledger_.apartments < 0) ledger_.Note("CoUninitialize without CoInitialize");
  }
  HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) override {
    if (!(clsid == kClsidLogEngine) || !(iid == kIidLogEngine) || context != platform::kClsctxLocalServer ||
        out == nullptr) {
      ledger_.Note("CoCreateInstance with unexpected arguments");
      return kE_INVALIDARG;
    }
    if (script_.route != EngineRoute::kComServer) return kREGDB_E_CLASSNOTREG;
    *out = static_cast<ILogEngine *>(new Engine(ledger_, script_));
    return kS_OK;
  }

 private:
  const EngineScript &script_;
  EngineLedger &ledger_;
};

constexpr char kSearchedPath[] = "searched-Morvex.dll";

class Loader final : public platform::Modules {
 public:
  Loader(const EngineScript &script, EngineLedger &ledger) : script_(script), ledger_(ledger) {}

  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    // GetModuleFileNameA: truncated to size - 1 characters and terminated; the
    // result is size on truncation, else the length.
    if (buffer == nullptr || size == 0) return 0;
    const std::size_t length = std::strlen(script_.hostPath.c_str());
    const std::size_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, script_.hostPath.data(), copied);
    buffer[copied] = '\0';
    return static_cast<std::uint32_t>(length < size ? length : size);
  }
  platform::ModuleHandle Load(const char *path) override {
    if (path == nullptr) {
      ledger_.Note("LoadLibraryA with a null path");
      return nullptr;
    }
    const bool searched = std::strcmp(path, kSearchedPath) == 0;
    const bool loads = (script_.route == EngineRoute::kLibrary && !searched) ||
                       (script_.route == EngineRoute::kLibraryBySearch && searched);
    if (!loads) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    auto *handle = new char;
    live_.insert(handle);
    ++ledger_.modules;
    return handle;
  }
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override {
    if (file == nullptr || buffer == nullptr) ledger_.Note("SearchPathA with a null argument");
    if (script_.route != EngineRoute::kLibraryBySearch || buffer == nullptr) return 0;
    if (size < sizeof kSearchedPath) return sizeof kSearchedPath;
    std::memcpy(buffer, kSearchedPath, sizeof kSearchedPath);
    return sizeof kSearchedPath - 1;
  }
  void *Symbol(platform::ModuleHandle module, const char *name) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (live_.count(static_cast<char *>(module)) == 0) ledger_.Note("GetProcAddress on a module not loaded");
    }
    if (name == nullptr || std::strcmp(name, "DllGetClassObject") != 0 || script_.factory == FactoryMode::kNoEntry)
      return nullptr;
    return reinterpret_cast<void *>(&ScriptedGetClassObject);
  }
  void Free(platform::ModuleHandle module) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto *handle = static_cast<char *>(module);
    if (live_.erase(handle) == 0) {
      ledger_.Note("FreeLibrary of a module not loaded");
      return;
    }
    delete handle;
    --ledger_.modules;
  }

  ~Loader() override {
    for (char *handle : live_) delete handle;
  }
  Loader(const Loader &) = delete;
  Loader &operator=(const Loader &) = delete;

 private:
  const EngineScript &script_;
  EngineLedger &ledger_;
  std::mutex mutex_;
  std::set<char *> live_;
};

class FixedClock final : public platform::Clock {
 public:
  FixedClock(const Timestamp &today, bool known, std::int64_t now) : today_(today), known_(known), now_(now) {}
  std::int64_t Now() override { return now_; }
  bool LocalToday(Timestamp *today) override {
    if (!known_ || today == nullptr) return false;
    *today = today_;
    return true;
  }

 private:
  Timestamp today_;
  bool known_;
  std::int64_t now_;
};

}  // namespace

const char *EngineLedger::Leftover() const noexcept {
  if (engines != 0) return "an engine object not released exactly once";
  if (cursors != 0) return "a cursor not released exactly once";
  if (records != 0) return "a record not released exactly once";
  if (factories != 0) return "a class factory not released exactly once";
  if (modules != 0) return "an engine library not freed exactly once";
  if (apartments != 0) return "a COM apartment not left";
  return misuse.load();
}

struct ScriptedPlatform::Parts {
  Parts(const EngineScript &script, const Timestamp &today, bool todayKnown, std::int64_t now)
      : com(script, ledger), loader(script, ledger), clock(today, todayKnown, now) {}
  EngineLedger ledger;
  Com com;
  Loader loader;
  FixedClock clock;
  platform::ComRuntime *previousCom = nullptr;
  platform::Modules *previousModules = nullptr;
  platform::Clock *previousClock = nullptr;
};

ScriptedPlatform::ScriptedPlatform(const EngineScript &script, const Timestamp &today, bool todayKnown,
                                   std::int64_t now)
    : parts_(new Parts(script, today, todayKnown, now)) {
  active.script = &script;
  active.ledger = &parts_->ledger;
  parts_->previousCom = platform::SetComForTesting(&parts_->com);
  parts_->previousModules = platform::SetModulesForTesting(&parts_->loader);
  parts_->previousClock = platform::SetClockForTesting(&parts_->clock);
}

ScriptedPlatform::~ScriptedPlatform() {
  platform::SetClockForTesting(parts_->previousClock);
  platform::SetModulesForTesting(parts_->previousModules);
  platform::SetComForTesting(parts_->previousCom);
  active = Active{};
  delete parts_;
}

EngineLedger &ScriptedPlatform::Ledger() noexcept { return parts_->ledger; }

}  // namespace hf::fuzz
