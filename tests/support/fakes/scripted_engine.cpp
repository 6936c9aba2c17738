#include "fakes/scripted_engine.h"

#include <new>
#include <stdexcept>

namespace hf::fakes {
namespace {

thread_local int heldOnThisThread = 0;

// Thrown out of a last Release, after the object is gone.
[[noreturn]] void ThrowFromRelease(ObjectKind kind) {
  switch (kind) {
    case kRecord: throw std::runtime_error("engine fault in the record's Release");
    case kCursor: throw 7;
    default: throw std::logic_error("engine fault in the engine's Release");
  }
}

// Reference counting shared by the four kinds of object: each is counted in
// the ledger from construction until its last Release destroys it.
template <class Interface, ObjectKind Kind, char DestroyEvent>
class Counted : public Interface {
 public:
  explicit Counted(ScriptedEngine &engine) : engine_(engine) {
    ++ledger().created[Kind];
    ++ledger().live[Kind];
    ++heldOnThisThread;
  }
  virtual ~Counted() {
    --ledger().live[Kind];
    ledger().Event(DestroyEvent);
  }
  Counted(const Counted &) = delete;
  Counted &operator=(const Counted &) = delete;

  HRESULT QueryInterface(const Guid &, void **out) override {
    ledger().Note("QueryInterface called");
    if (out != nullptr) *out = nullptr;
    return kE_NOINTERFACE;
  }
  std::uint32_t AddRef() override {
    ++ledger().addRefs[Kind];
    ++heldOnThisThread;
    return ++references_;
  }
  std::uint32_t Release() override {
    ++ledger().releases[Kind];
    --heldOnThisThread;
    const std::uint32_t left = --references_;
    if (left == 0) {
      const bool fault = ReleaseThrows();
      delete this;
      if (fault) ThrowFromRelease(Kind);
    }
    return left;
  }

 protected:
  virtual bool ReleaseThrows() const { return false; }
  EngineLedger &ledger() const { return engine_.ledger; }
  ScriptedEngine &engine_;

 private:
  std::atomic<std::uint32_t> references_{1};
};

class Record final : public Counted<ILogRecord, kRecord, 'r'> {
 public:
  Record(ScriptedEngine &engine, const ScriptedStep &step) : Counted(engine), step_(step) {}

  HRESULT GetObjectPath(const NativeChar16 **text) override {
    ledger().Event('o');
    if (step_.fault == Fault::kGettersThrow) throw std::bad_alloc();
    if (step_.fault == Fault::kPathThrows) throw std::runtime_error("engine fault in GetObjectPath");
    return Text(text, step_.pathIsNull, step_.path);
  }
  HRESULT GetSecondText(const NativeChar16 **text) override {
    ledger().Event('s');
    if (step_.fault == Fault::kGettersThrow) throw std::bad_alloc();
    return Text(text, step_.secondIsNull, step_.secondText);
  }
  HRESULT GetNumber(std::int32_t *number) override {
    ledger().Event('n');
    if (number == nullptr || !step_.gettersWrite) return kE_FAIL;
    *number = step_.number;
    return kS_OK;
  }
  HRESULT GetTime(Timestamp *time) override {
    ledger().Event('t');
    if (step_.fault == Fault::kGettersThrow) throw std::bad_alloc();
    if (step_.fault == Fault::kTimeThrows) throw std::logic_error("engine fault in GetTime");
    if (time == nullptr || !step_.gettersWrite) return kE_FAIL;
    *time = step_.time;
    return kS_OK;
  }

 private:
  bool ReleaseThrows() const override { return step_.fault == Fault::kReleaseThrows; }
  HRESULT Text(const NativeChar16 **text, bool isNull, const NativeText &value) const {
    if (text == nullptr || !step_.gettersWrite) return kE_FAIL;
    *text = isNull ? nullptr : value.c_str();
    return kS_OK;
  }

  const ScriptedStep &step_;
};

class Cursor final : public Counted<ILogCursor, kCursor, 'c'> {
 public:
  Cursor(ScriptedEngine &engine, const LogScript &log) : Counted(engine), log_(log) {}

  HRESULT Next(std::uint32_t count, ILogRecord **record, std::uint32_t *fetched) override {
    ledger().Event('N');
    if (count != 1) ledger().Note("Next asked for other than one record");
    if (record == nullptr || fetched == nullptr) {
      ledger().Note("Next without outputs");
      return kE_INVALIDARG;
    }
    if (begins_ != 1) ledger().Note("Next without exactly one Begin before it");
    if (*record != nullptr) ledger().Note("Next into a record slot that still holds a record");
    if (log_.pause != nullptr && position_ == log_.pauseAt) log_.pause(log_.pauseContext);
    if (position_ >= log_.steps.size()) return log_.endResult;
    const ScriptedStep &step = log_.steps[position_++];
    if (step.fault == Fault::kNextThrows) throw 42;
    if (step.nextResult == kS_OK && step.storesRecord) {
      *record = new Record(engine_, step);
      *fetched = 1;
    }
    return step.nextResult;
  }
  HRESULT Begin() override {
    ledger().Event('B');
    if (++begins_ > 1) ledger().Note("Begin called twice");
    position_ = 0;
    return kS_OK;
  }

 private:
  bool ReleaseThrows() const override { return log_.releaseThrows; }

  const LogScript &log_;
  std::size_t position_ = 0;
  int begins_ = 0;
};

class Engine final : public Counted<ILogEngine, kEngine, 'e'> {
 public:
  using Counted::Counted;

  HRESULT OpenFirstLog(ILogCursor **cursor) override {
    ledger().Event('1');
    return Open(cursor, engine_.script.logs[0]);
  }
  HRESULT OpenSecondLog(ILogCursor **cursor) override {
    ledger().Event('2');
    return Open(cursor, engine_.script.logs[1]);
  }

 private:
  bool ReleaseThrows() const override { return engine_.script.releaseThrows; }
  HRESULT Open(ILogCursor **cursor, const LogScript &log) {
    if (cursor == nullptr) {
      ledger().Note("log opened without an output");
      return kE_INVALIDARG;
    }
    if (*cursor != nullptr) ledger().Note("log opened into a slot that still holds a cursor");
    if (log.opensCursor) *cursor = new Cursor(engine_, log);
    return log.openResult;
  }
};

class Factory final : public Counted<IClassFactoryAbi, kFactory, 'f'> {
 public:
  using Counted::Counted;

  HRESULT CreateInstance(IUnknownAbi *outer, const Guid &iid, void **out) override {
    if (out == nullptr) {
      ledger().Note("CreateInstance without an output");
      return kE_INVALIDARG;
    }
    *out = nullptr;
    if (outer != nullptr || !(iid == kIidLogEngine)) {
      ledger().Note("CreateInstance with unexpected arguments");
      return kE_NOINTERFACE;
    }
    if (engine_.script.createResult != kS_OK) return engine_.script.createResult;
    *out = static_cast<ILogEngine *>(new Engine(engine_));
    return kS_OK;
  }
  HRESULT LockServer(std::int32_t) override { return kS_OK; }
};

}  // namespace

ScriptedStep RecordStep(std::u16string_view path, const Timestamp &time) {
  ScriptedStep step;
  for (char16_t unit : path) step.path.push_back(static_cast<NativeChar16>(unit));
  step.time = time;
  return step;
}

EngineCounts EngineLedger::Counts() const noexcept {
  EngineCounts counts;
  for (int kind = 0; kind < kObjectKinds; ++kind) {
    counts.created[kind] = created[kind].load();
    counts.addRefs[kind] = addRefs[kind].load();
    counts.releases[kind] = releases[kind].load();
    counts.live[kind] = live[kind].load();
  }
  return counts;
}

int EngineLedger::Live() const noexcept {
  int total = 0;
  for (const auto &count : live) total += count.load();
  return total;
}

std::string EngineLedger::Events() const {
  const int count = eventCount_.load();
  return std::string(events_, static_cast<std::size_t>(count < kEventCapacity ? count : kEventCapacity));
}

const char *EngineLedger::Leftover() const noexcept {
  if (live[kEngine] != 0) return "an engine object not released exactly once";
  if (live[kCursor] != 0) return "a cursor not released exactly once";
  if (live[kRecord] != 0) return "a record not released exactly once";
  if (live[kFactory] != 0) return "a class factory not released exactly once";
  return misuse_.load();
}

void EngineLedger::Event(char event) noexcept {
  const int slot = eventCount_++;
  if (slot < kEventCapacity) events_[slot] = event;
}

void EngineLedger::Note(const char *misuse) noexcept {
  const char *none = nullptr;
  misuse_.compare_exchange_strong(none, misuse);
}

void EngineLedger::Reset() noexcept {
  for (int kind = 0; kind < kObjectKinds; ++kind) {
    created[kind] = 0;
    addRefs[kind] = 0;
    releases[kind] = 0;
    live[kind] = 0;
  }
  eventCount_ = 0;
  misuse_ = nullptr;
}

HRESULT ScriptedEngine::CreateEngine(const Guid &iid, void **out) {
  if (out == nullptr) {
    ledger.Note("engine created without an output");
    return kE_INVALIDARG;
  }
  *out = nullptr;
  if (!(iid == kIidLogEngine) && !(iid == kIidUnknown)) return kE_NOINTERFACE;
  *out = static_cast<ILogEngine *>(new Engine(*this));
  return kS_OK;
}

HRESULT ScriptedEngine::GetClassObject(const Guid &clsid, const Guid &iid, void **out) {
  if (script.entryFaults) {
    // An address in the never-mapped first page: a real access fault, which no
    // sanitizer's null check reports first.
    static volatile std::uintptr_t unmapped = 16;
    *reinterpret_cast<volatile int *>(unmapped) = 1;
  }
  if (script.entryThrows) throw std::runtime_error("engine entry failed");
  if (out == nullptr) {
    ledger.Note("DllGetClassObject without an output");
    return kE_INVALIDARG;
  }
  *out = nullptr;
  if (!(clsid == kClsidLogEngine)) {
    ledger.Note("DllGetClassObject for another class");
    return kCLASS_E_CLASSNOTAVAILABLE;
  }
  if (!(iid == kIidClassFactory)) {
    ledger.Note("DllGetClassObject for another interface");
    return kE_NOINTERFACE;
  }
  if (script.entryResult == kS_OK || script.entryStoresOnFailure)
    *out = static_cast<IClassFactoryAbi *>(new Factory(*this));
  return script.entryResult;
}

void ScriptedEngine::Reset() {
  script = EngineScript{};
  ledger.Reset();
}

int ReferencesHeldOnThisThread() noexcept { return heldOnThisThread; }

}  // namespace hf::fakes
