// An engine that throws a C++ exception out of Next or out of a getter ends
// the reading of that worker only: the host lives, what was read before the
// fault still counts, the other log counts in full, and every engine object
// is released.
#include <gtest/gtest.h>

#include <string>

#include "fakes/modules.h"
#include "fakes/scoped.h"
#include "fakes/scripted_engine.h"
#include "hotFolders.h"
#include "platform/clock.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

using Scripting = void (*)(fakes::EngineScript &script);

// Every library load gets the scripted engine library; the system's COM
// run-time has no server for it.
class ThrowingEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(engine_.Engine(), nullptr) << "cannot load " << fakes::TestEnginePath("scripted_engine");
    modules_.redirectAll = fakes::TestEnginePath("scripted_engine");
    hive_.CreateKey();
  }

  // The first log: two records of C:\First\, then a third that faults as
  // scripting says; the second log: C:\Second\ (3 records) and C:\Both\ (1
  // record). Every record is dated today.
  void ScriptLogs(Scripting scripting) {
    Timestamp today{};
    ASSERT_TRUE(platform::SystemClock().LocalToday(&today));
    today.hour = 9;
    today.minute = 30;
    fakes::ScriptedEngine &engine = *engine_.Engine();
    engine.Reset();
    for (int i = 0; i < 3; ++i) engine.script.logs[0].steps.push_back(fakes::RecordStep(u"C:\\First\\x.txt", today));
    for (const char16_t *path : {u"C:\\Second\\a.txt", u"C:\\Both\\b.txt", u"C:\\Second\\c.txt", u"C:\\Second\\d.txt"})
      engine.script.logs[1].steps.push_back(fakes::RecordStep(path, today));
    scripting(engine.script);
  }
  int LiveObjects() const { return engine_.Engine()->ledger.Live(); }

  fakes::LoadedEngine engine_{fakes::TestEnginePath("scripted_engine")};
  fakes::FakeModules modules_;
  fakes::ScopedModules installed_{modules_};
  TestHive hive_;
};

TEST_F(ThrowingEngineTest, AThrowEndsOnlyThatWorkersReading) {
  const struct {
    const char *where;
    Scripting scripting;
  } cases[] = {
      {"Next", [](fakes::EngineScript &s) { s.logs[0].steps[2].fault = fakes::Fault::kNextThrows; }},
      {"GetObjectPath", [](fakes::EngineScript &s) { s.logs[0].steps[2].fault = fakes::Fault::kPathThrows; }},
      {"GetTime", [](fakes::EngineScript &s) { s.logs[0].steps[2].fault = fakes::Fault::kTimeThrows; }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.where);
    hive_.WriteText(u"hotFolders", u"old\\,1|");
    ScriptLogs(c.scripting);
    EXPECT_EQ(UpdatePath(), 1);
    // First log: two records before the fault; second log: read to its end.
    EXPECT_EQ(hive_.ReadText(u"hotFolders"), std::u16string(u"C:\\Second\\,3|C:\\First\\,2|C:\\Both\\,1|"));
    EXPECT_EQ(LiveObjects(), 0) << "engine objects left unreleased";
  }
  // The host goes on working afterwards.
  EXPECT_EQ(GetPathCount(), 3);
}

TEST_F(ThrowingEngineTest, AThrowOutOfReleaseIsDropped) {
  // The object is gone when Release throws: reading goes on, so the first
  // log counts all three of its records.
  const struct {
    const char *where;
    Scripting scripting;
  } cases[] = {
      {"record's Release", [](fakes::EngineScript &s) { s.logs[0].steps[2].fault = fakes::Fault::kReleaseThrows; }},
      {"cursor's Release", [](fakes::EngineScript &s) { s.logs[0].releaseThrows = true; }},
      {"engine's Release", [](fakes::EngineScript &s) { s.releaseThrows = true; }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.where);
    hive_.WriteText(u"hotFolders", u"old\\,1|");
    ScriptLogs(c.scripting);
    EXPECT_EQ(UpdatePath(), 1);
    EXPECT_EQ(hive_.ReadText(u"hotFolders"), std::u16string(u"C:\\First\\,3|C:\\Second\\,3|C:\\Both\\,1|"));
    EXPECT_EQ(LiveObjects(), 0) << "engine objects left unreleased";
  }
  EXPECT_EQ(GetPathCount(), 3);
}

}  // namespace
}  // namespace hf::test
