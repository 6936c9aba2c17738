// A test engine that does what its script says and counts every reference,
// call and object. Record i (from 1) of either log holds the object path
// "C:\Data\Folder<i>\file.txt", the second text "note <i>", the number 100 + i
// and the time 2026-12-<i> 08:30:15.250 (day of week 4).
#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine_export.h"
#include "engine_state.h"
#include "abi/log_engine.h"

namespace {

using hf::Guid;
using hf::HRESULT;
using hf::NativeChar16;
using hf::test::EngineState;
using hf::test::ObjectKind;

EngineState state;

using NativeText = std::basic_string<NativeChar16>;

void Event(char event) {
  auto &counters = state.counters;
  if (counters.eventCount + 1 < static_cast<std::int32_t>(sizeof counters.events))
    counters.events[counters.eventCount++] = event;
}

NativeText Native(const std::string &text) {
  NativeText result;
  for (char c : text) result.push_back(static_cast<NativeChar16>(c));
  return result;
}

// Reference counting shared by the four kinds of object; the last Release
// destroys the object and logs the kind's event letter.
template <typename Interface, ObjectKind Kind, char DestroyEvent>
class Counted : public Interface {
 public:
  Counted() {
    ++state.counters.created[Kind];
    ++state.counters.live[Kind];
  }
  virtual ~Counted() {
    --state.counters.live[Kind];
    Event(DestroyEvent);
  }
  Counted(const Counted &) = delete;
  Counted &operator=(const Counted &) = delete;

  HRESULT QueryInterface(const Guid &, void **out) override {
    if (out != nullptr) *out = nullptr;
    return hf::kE_NOINTERFACE;
  }
  std::uint32_t AddRef() override {
    ++state.counters.addRefs[Kind];
    return ++references_;
  }
  std::uint32_t Release() override {
    ++state.counters.releases[Kind];
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::uint32_t references_ = 1;
};

class Record final : public Counted<hf::ILogRecord, hf::test::kRecord, 'r'> {
 public:
  explicit Record(int index)
      : path_(Native("C:\\Data\\Folder" + std::to_string(index) + "\\file.txt")),
        note_(Native("note " + std::to_string(index))),
        index_(index) {}

  HRESULT GetObjectPath(const NativeChar16 **text) override {
    Event('o');
    return GetText(path_, text);
  }
  HRESULT GetSecondText(const NativeChar16 **text) override {
    Event('s');
    return GetText(note_, text);
  }
  HRESULT GetNumber(std::int32_t *number) override {
    Event('n');
    if (state.script.getters == hf::test::kGettersWriteNothing) return hf::kE_FAIL;
    *number = 100 + index_;
    return hf::kS_OK;
  }
  HRESULT GetTime(hf::Timestamp *time) override {
    Event('t');
    if (state.script.getters == hf::test::kGettersWriteNothing) return hf::kE_FAIL;
    *time = hf::Timestamp{2026, 12, 4, static_cast<std::uint16_t>(index_), 8, 30, 15, 250};
    return hf::kS_OK;
  }

 private:
  HRESULT GetText(const NativeText &value, const NativeChar16 **text) const {
    switch (state.script.getters) {
      case hf::test::kGettersWriteNothing:
        return hf::kE_FAIL;
      case hf::test::kGettersNullTexts:
        *text = nullptr;
        return hf::kS_OK;
      default:
        *text = value.c_str();
        return hf::kS_OK;
    }
  }

  NativeText path_;
  NativeText note_;
  int index_;
};

class Cursor final : public Counted<hf::ILogCursor, hf::test::kCursor, 'c'> {
 public:
  HRESULT Next(std::uint32_t count, hf::ILogRecord **record, std::uint32_t *fetched) override {
    Event('N');
    if (count != 1 || record == nullptr) return hf::kE_INVALIDARG;
    if (position_ >= state.script.recordCount) return state.script.endResult;
    *record = new Record(++position_);
    if (fetched != nullptr) *fetched = 1;
    return hf::kS_OK;
  }
  HRESULT Begin() override {
    Event('B');
    position_ = 0;
    return hf::kS_OK;
  }

 private:
  int position_ = 0;
};

class Engine final : public Counted<hf::ILogEngine, hf::test::kEngine, 'e'> {
 public:
  HRESULT OpenFirstLog(hf::ILogCursor **cursor) override {
    Event('1');
    return Open(cursor);
  }
  HRESULT OpenSecondLog(hf::ILogCursor **cursor) override {
    Event('2');
    return Open(cursor);
  }

 private:
  static HRESULT Open(hf::ILogCursor **cursor) {
    if (cursor == nullptr) return hf::kE_INVALIDARG;
    if (state.script.openLeavesEmpty != 0) return hf::kS_OK;
    *cursor = new Cursor;
    return hf::kS_OK;
  }
};

class Factory final : public Counted<hf::IClassFactoryAbi, hf::test::kFactory, 'f'> {
 public:
  HRESULT CreateInstance(hf::IUnknownAbi *outer, const Guid &iid, void **out) override {
    if (out == nullptr) return hf::kE_INVALIDARG;
    *out = nullptr;
    if (outer != nullptr || !(iid == hf::kIidLogEngine)) return hf::kE_NOINTERFACE;
    if (state.script.createResult != hf::kS_OK) return state.script.createResult;
    *out = static_cast<hf::ILogEngine *>(new Engine);
    return hf::kS_OK;
  }
  HRESULT LockServer(std::int32_t) override { return hf::kS_OK; }
};

}  // namespace

TEST_ENGINE_EXPORT EngineState *ScriptedEngineState() { return &state; }

TEST_ENGINE_EXPORT HRESULT DllGetClassObject(const Guid &clsid, const Guid &iid, void **out) {
  if (state.script.entryFaults != 0) {
    // An address in the never-mapped first page: a real access fault, which no
    // sanitizer's null check reports first.
    static volatile std::uintptr_t unmapped = 16;
    *reinterpret_cast<volatile int *>(unmapped) = 1;
  }
  if (state.script.entryThrows != 0) throw std::runtime_error("engine entry failed");
  if (out == nullptr) return hf::kE_INVALIDARG;
  *out = nullptr;
  if (!(clsid == hf::kClsidLogEngine)) return hf::kCLASS_E_CLASSNOTAVAILABLE;
  if (!(iid == hf::kIidClassFactory)) return hf::kE_NOINTERFACE;
  if (state.script.entryResult == hf::kS_OK || state.script.entryStoresOnFailure != 0)
    *out = static_cast<hf::IClassFactoryAbi *>(new Factory);
  return state.script.entryResult;
}
