// The engine's class object, interfaces and reference counting.
#include <cstring>

#include "engine_fixture.h"

namespace engine_test {
namespace {

constexpr hf::HRESULT kClassNoAggregation = static_cast<hf::HRESULT>(0x80040110u);
// {12345678-0000-0000-0000-000000000000}: no interface of the engine.
constexpr hf::Guid kUnknownIid = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

using AbiTest = EngineTest;

TEST_F(AbiTest, ClassObjectServesOnlyTheEngineClass) {
  auto *getClassObject = library_->GetClassObject();
  void *out = reinterpret_cast<void *>(&out);
  EXPECT_EQ(getClassObject(kUnknownIid, hf::kIidClassFactory, &out), hf::kCLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void *>(&out);
  EXPECT_EQ(getClassObject(hf::kClsidLogEngine, kUnknownIid, &out), hf::kE_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(getClassObject(hf::kClsidLogEngine, hf::kIidClassFactory, nullptr), hf::kS_OK);

  Ref<hf::IUnknownAbi> unknown;
  ASSERT_EQ(getClassObject(hf::kClsidLogEngine, hf::kIidUnknown, unknown.PutVoid()), hf::kS_OK);
  Ref<hf::IClassFactoryAbi> factory;
  ASSERT_EQ(unknown->QueryInterface(hf::kIidClassFactory, factory.PutVoid()), hf::kS_OK);
  EXPECT_EQ(factory->LockServer(1), hf::kS_OK);
  EXPECT_EQ(factory->LockServer(0), hf::kS_OK);
}

TEST_F(AbiTest, CreateInstanceChecksItsArguments) {
  Ref<hf::ILogEngine> engine;
  EXPECT_EQ(factory_->CreateInstance(engine_.Get(), hf::kIidLogEngine, engine.PutVoid()), kClassNoAggregation);
  EXPECT_EQ(engine.Get(), nullptr);
  EXPECT_EQ(factory_->CreateInstance(nullptr, kUnknownIid, engine.PutVoid()), hf::kE_NOINTERFACE);
  EXPECT_EQ(engine.Get(), nullptr);
  EXPECT_NE(factory_->CreateInstance(nullptr, hf::kIidLogEngine, nullptr), hf::kS_OK);
  EXPECT_NE(engine_->OpenFirstLog(nullptr), hf::kS_OK);
}

TEST_F(AbiTest, QueryInterfaceAnswersIUnknownAndTheOwnInterface) {
  Ref<hf::IUnknownAbi> unknown;
  ASSERT_EQ(engine_->QueryInterface(hf::kIidUnknown, unknown.PutVoid()), hf::kS_OK);
  Ref<hf::ILogEngine> again;
  ASSERT_EQ(unknown->QueryInterface(hf::kIidLogEngine, again.PutVoid()), hf::kS_OK);
  EXPECT_EQ(again.Get(), engine_.Get());
  void *none = reinterpret_cast<void *>(&none);
  EXPECT_EQ(engine_->QueryInterface(kUnknownIid, &none), hf::kE_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST_F(AbiTest, AddRefAndReleaseCountEveryObject) {
  WriteLog("first.log", "2026-03-01 10:00:00.000\t1\tC:\\a\\x.exe\tt\n");
  Ref<hf::ILogCursor> cursor;
  OpenFirst(&cursor);
  ASSERT_EQ(cursor->Begin(), hf::kS_OK);
  hf::ILogRecord *record = nullptr;
  ASSERT_EQ(cursor->Next(1, &record, nullptr), hf::kS_OK);

  hf::IUnknownAbi *objects[] = {factory_.Get(), engine_.Get(), cursor.Get(), record};
  for (hf::IUnknownAbi *object : objects) {
    const std::uint32_t raised = object->AddRef();
    EXPECT_GE(raised, 2u);
    EXPECT_EQ(object->AddRef(), raised + 1);
    EXPECT_EQ(object->Release(), raised);
    EXPECT_EQ(object->Release(), raised - 1);
  }
  record->Release();
}

TEST_F(AbiTest, ObjectsOutliveTheirCreators) {
  WriteLog("first.log",
           "2026-03-01 10:00:00.000\t1\tC:\\a\\x.exe\tone\n"
           "2026-03-01 10:00:01.000\t2\tC:\\b\\y.exe\ttwo\n");
  hf::ILogCursor *cursor = nullptr;
  engine_->OpenFirstLog(&cursor);
  ASSERT_NE(cursor, nullptr);
  // The engine, its factory and the library go first; the cursor still reads.
  engine_.Reset();
  factory_.Reset();
  library_.reset();
  cursor->Begin();
  hf::ILogRecord *record = nullptr;
  ASSERT_EQ(cursor->Next(1, &record, nullptr), hf::kS_OK);
  // The cursor goes; the record it handed out stays whole.
  EXPECT_EQ(cursor->Release(), 0u);
  const ReadRecord read = CopyRecord(record);
  EXPECT_EQ(read.path, u"C:\\a\\x.exe");
  EXPECT_EQ(read.secondText, u"one");
  EXPECT_EQ(read.number, 1);
  EXPECT_EQ(record->Release(), 0u);
}

TEST_F(AbiTest, TextsStayValidUntilTheRecordIsReleased) {
  WriteLog("first.log",
           "2026-03-01 10:00:00.000\t1\tC:\\first\\a.exe\talpha\n"
           "2026-03-01 10:00:01.000\t2\tD:\\second\\b.exe\tbeta\n"
           "2026-03-01 10:00:02.000\t3\tE:\\third\\c.exe\tgamma\n");
  Ref<hf::ILogCursor> cursor;
  OpenFirst(&cursor);
  cursor->Begin();
  hf::ILogRecord *held = nullptr;
  ASSERT_EQ(cursor->Next(1, &held, nullptr), hf::kS_OK);
  const hf::NativeChar16 *path = nullptr, *second = nullptr;
  held->GetObjectPath(&path);
  held->GetSecondText(&second);

  // Later records, released at once, must not touch the texts of the held one.
  for (int i = 0; i < 2; ++i) {
    hf::ILogRecord *next = nullptr;
    ASSERT_EQ(cursor->Next(1, &next, nullptr), hf::kS_OK);
    EXPECT_NE(next, held);
    next->Release();
  }
  EXPECT_EQ(ToU16(path), u"C:\\first\\a.exe");
  EXPECT_EQ(ToU16(second), u"alpha");
  held->Release();
}

TEST_F(AbiTest, NextFillsAnArrayOfRecords) {
  WriteLog("first.log",
           "2026-03-01 10:00:00.000\t1\ta\tx\n"
           "2026-03-01 10:00:01.000\t2\tb\ty\n"
           "2026-03-01 10:00:02.000\t3\tc\tz\n");
  Ref<hf::ILogCursor> cursor;
  OpenFirst(&cursor);
  cursor->Begin();
  hf::ILogRecord *records[2] = {nullptr, nullptr};
  std::uint32_t fetched = 0;
  ASSERT_EQ(cursor->Next(2, records, &fetched), hf::kS_OK);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(CopyRecord(records[0]).path, u"a");
  EXPECT_EQ(CopyRecord(records[1]).path, u"b");
  for (auto *record : records) record->Release();

  hf::ILogRecord *rest[2] = {nullptr, nullptr};
  EXPECT_EQ(cursor->Next(2, rest, &fetched), hf::kS_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(CopyRecord(rest[0]).path, u"c");
  EXPECT_EQ(rest[1], nullptr);
  rest[0]->Release();
}

}  // namespace
}  // namespace engine_test
