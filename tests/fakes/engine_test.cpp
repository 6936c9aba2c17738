// The scripted engine: it plays its script step by step, counts every object
// until the last Release, throws what each fault names, and notes the calls a
// real engine's caller never makes.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "fakes/clock.h"
#include "fakes/scripted_engine.h"

namespace hf::fakes {
namespace {

std::u16string FromNative(const NativeChar16 *text) {
  std::u16string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

class ScriptedEngineTest : public ::testing::Test {
 protected:
  ILogEngine *NewEngine() {
    void *out = nullptr;
    EXPECT_EQ(engine.CreateEngine(kIidLogEngine, &out), kS_OK);
    return static_cast<ILogEngine *>(out);
  }
  // The first log opened and begun.
  ILogCursor *FirstLog(ILogEngine *object) {
    ILogCursor *cursor = nullptr;
    EXPECT_EQ(object->OpenFirstLog(&cursor), kS_OK);
    if (cursor != nullptr) {
      EXPECT_EQ(cursor->Begin(), kS_OK);
    }
    return cursor;
  }

  ScriptedEngine engine;
};

TEST_F(ScriptedEngineTest, PlaysTheStepsAndCountsEveryObject) {
  ScriptedStep first = RecordStep(u"C:\\a\\x", Date(2026, 3, 10));
  first.secondText = {'n', 'o'};
  first.number = 7;
  ScriptedStep empty;
  empty.storesRecord = false;
  ScriptedStep failing;
  failing.nextResult = kE_FAIL;
  engine.script.logs[0].steps = {first, empty, failing};
  engine.script.logs[0].endResult = kE_OUTOFMEMORY;

  ILogEngine *object = NewEngine();
  ILogCursor *cursor = FirstLog(object);
  ASSERT_NE(cursor, nullptr);
  ILogRecord *record = nullptr;
  std::uint32_t fetched = 0;
  ASSERT_EQ(cursor->Next(1, &record, &fetched), kS_OK);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(fetched, 1u);
  const NativeChar16 *text = nullptr;
  ASSERT_EQ(record->GetObjectPath(&text), kS_OK);
  EXPECT_EQ(FromNative(text), u"C:\\a\\x");
  ASSERT_EQ(record->GetSecondText(&text), kS_OK);
  EXPECT_EQ(FromNative(text), u"no");
  std::int32_t number = 0;
  EXPECT_EQ(record->GetNumber(&number), kS_OK);
  EXPECT_EQ(number, 7);
  Timestamp time{};
  EXPECT_EQ(record->GetTime(&time), kS_OK);
  EXPECT_EQ(time.day, 10);
  EXPECT_EQ(record->AddRef(), 2u);
  EXPECT_EQ(record->Release(), 1u);
  EXPECT_EQ(record->Release(), 0u);

  record = nullptr;
  fetched = 0;
  EXPECT_EQ(cursor->Next(1, &record, &fetched), kS_OK);
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(cursor->Next(1, &record, &fetched), kE_FAIL);
  EXPECT_EQ(cursor->Next(1, &record, &fetched), kE_OUTOFMEMORY);
  EXPECT_EQ(record, nullptr);

  EXPECT_EQ(engine.ledger.Live(), 2);
  cursor->Release();
  object->Release();
  const EngineCounts counts = engine.ledger.Counts();
  EXPECT_EQ(counts.created[kRecord], 1);
  EXPECT_EQ(counts.addRefs[kRecord], 1);
  EXPECT_EQ(counts.releases[kRecord], 2);
  EXPECT_EQ(counts.created[kCursor], 1);
  EXPECT_EQ(counts.created[kEngine], 1);
  EXPECT_EQ(engine.ledger.Live(), 0);
  EXPECT_EQ(engine.ledger.Events(), "1BNosntr" "NNN" "ce");
  EXPECT_EQ(engine.ledger.Leftover(), nullptr) << engine.ledger.Leftover();
  EXPECT_EQ(ReferencesHeldOnThisThread(), 0);
}

TEST_F(ScriptedEngineTest, GettersAndOpensAsScripted) {
  ScriptedStep silent = RecordStep(u"p", Date(2026, 1, 1));
  silent.gettersWrite = false;
  ScriptedStep nullTexts = RecordStep(u"p", Date(2026, 1, 1));
  nullTexts.pathIsNull = nullTexts.secondIsNull = true;
  engine.script.logs[0].steps = {silent, nullTexts};
  engine.script.logs[1].opensCursor = false;
  engine.script.logs[1].openResult = kE_FAIL;

  ILogEngine *object = NewEngine();
  ILogCursor *second = nullptr;
  EXPECT_EQ(object->OpenSecondLog(&second), kE_FAIL);
  EXPECT_EQ(second, nullptr);

  ILogCursor *cursor = FirstLog(object);
  for (bool writes : {false, true}) {
    SCOPED_TRACE(writes ? "null texts" : "getters write nothing");
    ILogRecord *record = nullptr;
    std::uint32_t fetched = 0;
    ASSERT_EQ(cursor->Next(1, &record, &fetched), kS_OK);
    const NativeChar16 *text = reinterpret_cast<const NativeChar16 *>(u"untouched");
    const NativeChar16 *untouched = text;
    EXPECT_EQ(record->GetObjectPath(&text), writes ? kS_OK : kE_FAIL);
    EXPECT_EQ(text, writes ? nullptr : untouched);
    std::int32_t number = -1;
    EXPECT_EQ(record->GetNumber(&number), writes ? kS_OK : kE_FAIL);
    EXPECT_EQ(number, writes ? 0 : -1);
    record->Release();
  }
  cursor->Release();
  object->Release();
  EXPECT_EQ(engine.ledger.Leftover(), nullptr) << engine.ledger.Leftover();
}

TEST_F(ScriptedEngineTest, FaultsThrowWhatTheyName) {
  struct Case {
    const char *name;
    Fault fault;
    std::function<void(ILogCursor *)> call;  // from the record's Next on
  };
  auto next = [](ILogCursor *cursor) {
    ILogRecord *record = nullptr;
    std::uint32_t fetched = 0;
    cursor->Next(1, &record, &fetched);
    return record;
  };
  const Case cases[] = {
      {"Next", Fault::kNextThrows, [&](ILogCursor *c) { EXPECT_THROW(next(c), int); }},
      {"getters", Fault::kGettersThrow,
       [&](ILogCursor *c) {
         ILogRecord *record = next(c);
         const NativeChar16 *text = nullptr;
         Timestamp time{};
         std::int32_t number = 0;
         EXPECT_THROW(record->GetObjectPath(&text), std::bad_alloc);
         EXPECT_THROW(record->GetSecondText(&text), std::bad_alloc);
         EXPECT_THROW(record->GetTime(&time), std::bad_alloc);
         EXPECT_EQ(record->GetNumber(&number), kS_OK);
         record->Release();
       }},
      {"path", Fault::kPathThrows,
       [&](ILogCursor *c) {
         ILogRecord *record = next(c);
         const NativeChar16 *text = nullptr;
         EXPECT_THROW(record->GetObjectPath(&text), std::runtime_error);
         EXPECT_EQ(record->GetSecondText(&text), kS_OK);
         record->Release();
       }},
      {"time", Fault::kTimeThrows,
       [&](ILogCursor *c) {
         ILogRecord *record = next(c);
         Timestamp time{};
         EXPECT_THROW(record->GetTime(&time), std::logic_error);
         record->Release();
       }},
      {"release", Fault::kReleaseThrows,
       [&](ILogCursor *c) {
         ILogRecord *record = next(c);
         record->AddRef();
         EXPECT_EQ(record->Release(), 1u);
         EXPECT_THROW(record->Release(), std::runtime_error);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    engine.Reset();
    ScriptedStep step = RecordStep(u"p", Date(2026, 1, 1));
    step.fault = c.fault;
    engine.script.logs[0].steps = {step};
    ILogEngine *object = NewEngine();
    ILogCursor *cursor = FirstLog(object);
    c.call(cursor);
    cursor->Release();
    object->Release();
    EXPECT_EQ(engine.ledger.Leftover(), nullptr) << engine.ledger.Leftover();
  }
}

TEST_F(ScriptedEngineTest, ReleaseFaultsOfCursorAndEngineComeAfterTheObjectIsGone) {
  engine.script.logs[0].releaseThrows = true;
  engine.script.releaseThrows = true;
  ILogEngine *object = NewEngine();
  ILogCursor *cursor = FirstLog(object);
  EXPECT_THROW(cursor->Release(), int);
  EXPECT_THROW(object->Release(), std::logic_error);
  EXPECT_EQ(engine.ledger.Live(), 0);
  EXPECT_EQ(engine.ledger.Events(), "1Bce");
}

TEST_F(ScriptedEngineTest, CallsARealCallerNeverMakesAreNoted) {
  struct Case {
    const char *name;
    std::function<void(ILogEngine *)> misuse;
  };
  const Case cases[] = {
      {"QueryInterface",
       [](ILogEngine *object) {
         void *out = &out;
         EXPECT_EQ(object->QueryInterface(kIidLogEngine, &out), kE_NOINTERFACE);
         EXPECT_EQ(out, nullptr);
       }},
      {"Next before Begin",
       [](ILogEngine *object) {
         ILogCursor *cursor = nullptr;
         object->OpenFirstLog(&cursor);
         ILogRecord *record = nullptr;
         std::uint32_t fetched = 0;
         cursor->Next(1, &record, &fetched);
         cursor->Release();
       }},
      {"Begin twice",
       [](ILogEngine *object) {
         ILogCursor *cursor = nullptr;
         object->OpenFirstLog(&cursor);
         cursor->Begin();
         cursor->Begin();
         cursor->Release();
       }},
      {"Next without a place for the count",
       [](ILogEngine *object) {
         ILogCursor *cursor = nullptr;
         object->OpenFirstLog(&cursor);
         cursor->Begin();
         ILogRecord *record = nullptr;
         EXPECT_EQ(cursor->Next(1, &record, nullptr), kE_INVALIDARG);
         cursor->Release();
       }},
      {"an open into a full slot",
       [](ILogEngine *object) {
         ILogCursor *first = nullptr;
         object->OpenFirstLog(&first);
         ILogCursor *second = first;
         object->OpenSecondLog(&second);
         second->Release();
         first->Release();
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    engine.Reset();
    ILogEngine *object = NewEngine();
    c.misuse(object);
    object->Release();
    EXPECT_EQ(engine.ledger.Live(), 0);
    EXPECT_NE(engine.ledger.Misuse(), nullptr);
    EXPECT_EQ(engine.ledger.Leftover(), engine.ledger.Misuse());
  }
}

TEST_F(ScriptedEngineTest, TheLibraryEntryFollowsItsScript) {
  struct Case {
    const char *name;
    HRESULT entryResult;
    bool storesOnFailure;
    HRESULT createResult;
    bool factory;  // a class factory handed out
    bool created;  // and an engine created through it
  };
  const Case cases[] = {
      {"serves", kS_OK, false, kS_OK, true, true},
      {"instance fails", kS_OK, false, kE_FAIL, true, false},
      {"refuses", kE_FAIL, false, kS_OK, false, false},
      {"refuses but sets", kE_FAIL, true, kS_OK, true, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    engine.Reset();
    engine.script.entryResult = c.entryResult;
    engine.script.entryStoresOnFailure = c.storesOnFailure;
    engine.script.createResult = c.createResult;
    void *out = &out;
    EXPECT_EQ(engine.GetClassObject(kClsidLogEngine, kIidClassFactory, &out), c.entryResult);
    ASSERT_EQ(out != nullptr, c.factory);
    if (out == nullptr) continue;
    auto *factory = static_cast<IClassFactoryAbi *>(out);
    void *created = &created;
    EXPECT_EQ(factory->CreateInstance(nullptr, kIidLogEngine, &created), c.createResult);
    EXPECT_EQ(created != nullptr, c.created);
    if (created != nullptr) static_cast<ILogEngine *>(created)->Release();
    factory->Release();
    EXPECT_EQ(engine.ledger.Leftover(), nullptr) << engine.ledger.Leftover();
  }

  engine.Reset();
  void *out = &out;
  EXPECT_EQ(engine.GetClassObject(kClsidLogEngine, kIidLogEngine, &out), kE_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(engine.GetClassObject(kIidLogEngine, kIidClassFactory, &out), kCLASS_E_CLASSNOTAVAILABLE);
  EXPECT_NE(engine.ledger.Misuse(), nullptr);
  engine.Reset();
  engine.script.entryThrows = true;
  EXPECT_THROW(engine.GetClassObject(kClsidLogEngine, kIidClassFactory, &out), std::runtime_error);
}

}  // namespace
}  // namespace hf::fakes
