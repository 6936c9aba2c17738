#include "engine_fixture.h"

#include <fstream>

namespace engine_test {

std::u16string ToU16(const hf::NativeChar16 *text) {
  std::u16string out;
  if (text == nullptr) return out;
  for (; *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

ReadRecord CopyRecord(hf::ILogRecord *record) {
  ReadRecord out;
  const hf::NativeChar16 *text = nullptr;
  EXPECT_EQ(record->GetObjectPath(&text), hf::kS_OK);
  out.path = ToU16(text);
  text = nullptr;
  EXPECT_EQ(record->GetSecondText(&text), hf::kS_OK);
  out.secondText = ToU16(text);
  EXPECT_EQ(record->GetNumber(&out.number), hf::kS_OK);
  EXPECT_EQ(record->GetTime(&out.time), hf::kS_OK);
  return out;
}

std::filesystem::path BuildDir() {
  const std::string fromEnvironment = GetEnvironment("HOTFOLDERS_BUILD_DIR");
  if (!fromEnvironment.empty()) return std::filesystem::path(fromEnvironment);
  return std::filesystem::current_path().parent_path();
}

void EngineTest::SetUp() {
  const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
  workDir_ = BuildDir() / "tests" / "engine-work" / (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(workDir_);
  std::filesystem::create_directories(workDir_);
  SetEnvironment("MORVEX_HISTORY_DIR", workDir_.string());

  library_ = std::make_unique<EngineLibrary>((BuildDir() / "Kernel" / "Morvex.dll").string());
  ASSERT_NE(library_->GetClassObject(), nullptr) << "Morvex.dll did not load from " << BuildDir().string();
  ASSERT_EQ(library_->GetClassObject()(hf::kClsidLogEngine, hf::kIidClassFactory, factory_.PutVoid()), hf::kS_OK);
  ASSERT_NE(factory_.Get(), nullptr);
  ASSERT_EQ(factory_->CreateInstance(nullptr, hf::kIidLogEngine, engine_.PutVoid()), hf::kS_OK);
  ASSERT_NE(engine_.Get(), nullptr);
}

void EngineTest::TearDown() {
  engine_.Reset();
  factory_.Reset();
  library_.reset();
  SetEnvironment("MORVEX_HISTORY_DIR", "");
  std::error_code ignored;
  std::filesystem::remove_all(workDir_, ignored);
}

void EngineTest::WriteLog(const char *name, const std::string &bytes) const {
  std::ofstream out(workDir_ / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good());
}

void EngineTest::OpenFirst(Ref<hf::ILogCursor> *cursor) {
  engine_->OpenFirstLog(cursor->Put());
  ASSERT_NE(cursor->Get(), nullptr);
}

std::vector<ReadRecord> EngineTest::ReadLog(bool first) {
  std::vector<ReadRecord> records;
  Ref<hf::ILogCursor> cursor;
  if (first)
    engine_->OpenFirstLog(cursor.Put());
  else
    engine_->OpenSecondLog(cursor.Put());
  EXPECT_NE(cursor.Get(), nullptr);
  if (cursor.Get() == nullptr) return records;
  cursor->Begin();
  for (;;) {
    hf::ILogRecord *record = nullptr;
    std::uint32_t fetched = 0;
    if (cursor->Next(1, &record, &fetched) != hf::kS_OK) {
      EXPECT_EQ(record, nullptr);
      break;
    }
    EXPECT_EQ(fetched, 1u);
    records.push_back(CopyRecord(record));
    record->Release();
  }
  return records;
}

}  // namespace engine_test
