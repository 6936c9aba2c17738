// Test doubles for the rebuild.
#include "harvest_fakes.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace hf::test {

Timestamp Date(int year, int month, int day, int hour, int minute, int second) {
  Timestamp t{};
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  return t;
}

// ---- TestClock

namespace {
std::atomic<std::uint64_t> clockGenerations{0};
}  // namespace

struct TestClock::ThreadState {
  std::uint64_t generation = 0;
  std::int64_t calls = 0;
  std::int64_t advanced = 0;
};

TestClock::TestClock() : generation_(++clockGenerations) {}

TestClock::ThreadState &TestClock::State() {
  thread_local ThreadState state;
  if (state.generation != generation_) state = ThreadState{generation_, 0, 0};
  return state;
}

std::int64_t TestClock::Now() {
  ThreadState &state = State();
  return base + state.advanced + step * state.calls++;
}

bool TestClock::LocalToday(Timestamp *out) {
  if (!todayAvailable) return false;
  *out = today;
  return true;
}

void TestClock::AdvanceThisThread(std::int64_t seconds) { State().advanced += seconds; }

// ---- MemorySettings

Status MemorySettings::OpenKey(std::uint32_t, platform::KeyHandle *key) {
  if (!keyExists) return kErrorFileNotFound;
  *key = this;
  return kErrorSuccess;
}

Status MemorySettings::QuerySize(platform::KeyHandle, const char16_t *name, std::uint32_t *bytes) {
  auto found = values_.find(name);
  if (found == values_.end()) return kErrorFileNotFound;
  *bytes = static_cast<std::uint32_t>(found->second.size());
  return kErrorSuccess;
}

Status MemorySettings::QueryData(platform::KeyHandle, const char16_t *name, std::uint8_t *buffer,
                                 std::uint32_t *bytes) {
  auto found = values_.find(name);
  if (found == values_.end()) return kErrorFileNotFound;
  const std::size_t n = std::min<std::size_t>(*bytes, found->second.size());
  if (n != 0) std::memcpy(buffer, found->second.data(), n);
  *bytes = static_cast<std::uint32_t>(n);
  return kErrorSuccess;
}

Status MemorySettings::SetValue(platform::KeyHandle, const char16_t *name, std::uint32_t,
                                const std::uint8_t *data, std::uint32_t bytes) {
  values_[name].assign(data, data + bytes);
  return kErrorSuccess;
}

void MemorySettings::CloseKey(platform::KeyHandle) {}

void MemorySettings::WriteText(const std::u16string &name, const std::u16string &text) {
  std::vector<std::uint8_t> bytes(text.size() * 2);
  if (!text.empty()) std::memcpy(bytes.data(), text.data(), bytes.size());
  values_[name] = bytes;
}

std::optional<std::u16string> MemorySettings::ReadText(const std::u16string &name) const {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  std::u16string text(found->second.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(&text[0], found->second.data(), text.size() * 2);
  return text;
}

// ---- ScriptedEngine and its cursors and records

namespace {

// References taken minus released on the calling thread: a worker that leaves
// its apartment must have given back everything it took inside it.
thread_local int heldOnThisThread = 0;

void Took(std::atomic<int> &outstanding) {
  ++outstanding;
  ++heldOnThisThread;
}
void Gave(std::atomic<int> &outstanding) {
  --outstanding;
  --heldOnThisThread;
}

class Record final : public ILogRecord {
 public:
  Record(const ScriptedRecord &script, std::atomic<int> &outstanding)
      : script_(script), outstanding_(outstanding) {
    Took(outstanding_);
  }
  HRESULT QueryInterface(const Guid &, void **out) override {
    AddRef();
    *out = this;
    return kS_OK;
  }
  std::uint32_t AddRef() override {
    Took(outstanding_);
    return ++references_;
  }
  std::uint32_t Release() override {
    Gave(outstanding_);
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetObjectPath(const NativeChar16 **text) override {
    if (script_.throwOnRead) throw std::bad_alloc();
    *text = reinterpret_cast<const NativeChar16 *>(script_.objectPath.c_str());
    return kS_OK;
  }
  HRESULT GetSecondText(const NativeChar16 **text) override {
    if (script_.throwOnRead) throw std::bad_alloc();
    *text = reinterpret_cast<const NativeChar16 *>(u"");
    return kS_OK;
  }
  HRESULT GetNumber(std::int32_t *number) override {
    *number = 0;
    return kS_OK;
  }
  HRESULT GetTime(Timestamp *time) override {
    if (script_.throwOnRead) throw std::bad_alloc();
    *time = script_.time;
    return kS_OK;
  }

 private:
  const ScriptedRecord &script_;
  std::atomic<int> &outstanding_;
  std::atomic<std::uint32_t> references_{1};
};

class Cursor final : public ILogCursor {
 public:
  Cursor(const std::vector<ScriptedRecord> &log, std::atomic<int> &outstanding)
      : log_(log), outstanding_(outstanding) {
    Took(outstanding_);
  }
  HRESULT QueryInterface(const Guid &, void **out) override {
    AddRef();
    *out = this;
    return kS_OK;
  }
  std::uint32_t AddRef() override {
    Took(outstanding_);
    return ++references_;
  }
  std::uint32_t Release() override {
    Gave(outstanding_);
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT Next(std::uint32_t, ILogRecord **record, std::uint32_t *fetched) override {
    if (next_ >= log_.size()) {
      *record = nullptr;
      if (fetched != nullptr) *fetched = 0;
      return kS_FALSE;
    }
    *record = new Record(log_[next_++], outstanding_);
    if (fetched != nullptr) *fetched = 1;
    return kS_OK;
  }
  HRESULT Begin() override {
    next_ = 0;
    return kS_OK;
  }

 private:
  const std::vector<ScriptedRecord> &log_;
  std::atomic<int> &outstanding_;
  std::atomic<std::uint32_t> references_{1};
  std::size_t next_ = 0;
};

}  // namespace

HRESULT ScriptedEngine::QueryInterface(const Guid &iid, void **out) {
  if (!(iid == kIidLogEngine) && !(iid == kIidUnknown)) {
    *out = nullptr;
    return kE_NOINTERFACE;
  }
  AddRef();
  *out = this;
  return kS_OK;
}

std::uint32_t ScriptedEngine::AddRef() {
  Took(outstanding_);
  return static_cast<std::uint32_t>(outstanding_.load());
}
std::uint32_t ScriptedEngine::Release() {
  Gave(outstanding_);
  return static_cast<std::uint32_t>(outstanding_.load());
}

HRESULT ScriptedEngine::Open(int log, ILogCursor **cursor) {
  *cursor = new Cursor(logs[log], outstanding_);
  return kS_OK;
}

HRESULT ScriptedEngine::OpenFirstLog(ILogCursor **cursor) { return Open(0, cursor); }
HRESULT ScriptedEngine::OpenSecondLog(ILogCursor **cursor) { return Open(1, cursor); }

// ---- FakeCom

HRESULT FakeCom::Initialize() {
  ++initializations;
  ++depth;
  return kS_OK;
}

void FakeCom::Uninitialize() {
  if (heldOnThisThread != 0) ++leftHolding;
  --depth;
}

HRESULT FakeCom::CreateInstance(const Guid &clsid, std::uint32_t, const Guid &iid, void **out) {
  if (slowClock != nullptr) slowClock->AdvanceThisThread(slowSeconds);
  if (engine == nullptr || !(clsid == kClsidLogEngine)) {
    *out = nullptr;
    return kREGDB_E_CLASSNOTREG;
  }
  return engine->QueryInterface(iid, out);
}

// ---- NoModules

std::uint32_t NoModules::HostExecutablePath(char *buffer, std::uint32_t size) {
  static const char path[] = "nowhere/bin/host";
  if (size < sizeof path) return 0;
  std::memcpy(buffer, path, sizeof path);
  return sizeof path - 1;
}
platform::ModuleHandle NoModules::Load(const char *) { return nullptr; }
std::uint32_t NoModules::Search(const char *, char *, std::uint32_t) { return 0; }
void *NoModules::Symbol(platform::ModuleHandle, const char *) { return nullptr; }
void NoModules::Free(platform::ModuleHandle) {}

}  // namespace hf::test
