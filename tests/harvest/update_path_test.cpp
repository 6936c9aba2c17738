// The rebuild with a scripted engine: two workers, the budget, the merge and
// what is written.
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "harvest/harvest_worker.h"
#include "harvest_fixture.h"
#include "hotFolders.h"

namespace hf::test {
namespace {

class UpdatePathTest : public HarvestFixture {
 protected:
  void SetUp() override {
    HarvestFixture::SetUp();
    com.engine = &engine;
    settings.SetText(u"hotFolders", u"old\\,1|");
  }
  void TearDown() override {
    // Every reference handed out was released, and every apartment left.
    EXPECT_EQ(engine.ledger.Live(), 0);
    EXPECT_EQ(com.depth.load(), 0);
    EXPECT_EQ(com.leftHolding.load(), 0);
    // Nothing was asked of the engine or the run-time that a real one would refuse.
    EXPECT_EQ(engine.ledger.Misuse(), nullptr) << engine.ledger.Misuse();
    EXPECT_EQ(com.Misuse(), nullptr) << com.Misuse();
    EXPECT_EQ(settings.OpenHandles(), 0);
    EXPECT_EQ(settings.Misuse(), nullptr) << settings.Misuse();
    HarvestFixture::TearDown();
  }

  // count records of path, dated inside the window.
  static std::vector<fakes::ScriptedStep> Records(const std::u16string &path, int count,
                                                  Timestamp time = Date(2026, 3, 10)) {
    return std::vector<fakes::ScriptedStep>(static_cast<std::size_t>(count), fakes::RecordStep(path, time));
  }
  static void Add(std::vector<fakes::ScriptedStep> &log, const std::vector<fakes::ScriptedStep> &more) {
    log.insert(log.end(), more.begin(), more.end());
  }
  std::vector<fakes::ScriptedStep> &Log(int which) { return engine.script.logs[which].steps; }
  std::optional<std::u16string> Stored() const { return settings.Text(u"hotFolders"); }

  fakes::ScriptedEngine engine;
};

TEST_F(UpdatePathTest, StoresTheMergedTopThreeBestFirst) {
  Add(Log(0), Records(u"A\\f", 3));
  Add(Log(0), Records(u"B\\f", 1));
  Add(Log(1), Records(u"b\\f", 2));
  Add(Log(1), Records(u"C\\f", 4));
  Add(Log(1), Records(u"B\\f", 2));
  Add(Log(1), Records(u"A\\f", 1));
  EXPECT_EQ(UpdatePath(), 1);
  // The second tally folds B into b: b 4, C 4, A 1. The merge compares case
  // sensitively: A 4, B 1, b 4, C 4.
  EXPECT_EQ(Stored(), u"A\\,4|b\\,4|C\\,4|");
  EXPECT_EQ(com.initializations.load(), 2);
}

// Holds a reader inside Next until the test lets it go.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool reached = false;
  bool open = false;

  static void Wait(void *context) {
    Gate &gate = *static_cast<Gate *>(context);
    std::unique_lock<std::mutex> hold(gate.mutex);
    gate.reached = true;
    gate.changed.notify_all();
    gate.changed.wait(hold, [&] { return gate.open; });
  }
  void AwaitReader() {
    std::unique_lock<std::mutex> hold(mutex);
    changed.wait(hold, [&] { return reached; });
  }
  void Open() {
    std::lock_guard<std::mutex> hold(mutex);
    open = true;
    changed.notify_all();
  }
};

TEST_F(UpdatePathTest, AFolderRemovedDuringTheRebuildStaysRemoved) {
  Add(Log(0), Records(u"C:\\Hot\\f", 5));
  Add(Log(0), Records(u"C:\\x\\f", 2));
  Add(Log(1), Records(u"D:\\y\\f", 1));
  Gate gate;
  engine.script.logs[0].pause = &Gate::Wait;
  engine.script.logs[0].pauseContext = &gate;
  engine.script.logs[0].pauseAt = 3;
  settings.SetText(u"hotFolders", u"C:\\Hot\\,4|");

  std::int32_t result = -1;
  std::thread rebuild([&] { result = UpdatePath(); });
  gate.AwaitReader();
  // Another process removes C:\Hot\ while the logs are read.
  settings.SetText(u"deletepath", u"C:\\Hot\\,4|");
  settings.SetText(u"hotFolders", u"");
  gate.Open();
  rebuild.join();

  EXPECT_EQ(result, 1);
  EXPECT_EQ(Stored(), u"C:\\x\\,2|D:\\y\\,1|");
  EXPECT_EQ(settings.Text(u"deletepath"), u"C:\\Hot\\,4|");
}

TEST_F(UpdatePathTest, AFolderWithACommaStaysRemoved) {
  Add(Log(0), Records(u"D:\\Smith, John\\a.pdf", 5));
  Add(Log(0), Records(u"C:\\x\\b", 2));
  ASSERT_EQ(UpdatePath(), 1);
  ASSERT_EQ(Stored(), u"D:\\Smith, John\\,5|C:\\x\\,2|");
  EXPECT_EQ(GetPathCount(), 2);

  const std::u16string folder = u"D:\\Smith, John\\";
  std::vector<HF_UTF16> native(folder.begin(), folder.end());
  native.push_back(0);
  ASSERT_EQ(DeletePath(native.data()), 1);
  EXPECT_EQ(Stored(), u"C:\\x\\,2|");
  EXPECT_EQ(settings.Text(u"deletepath"), u"D:\\Smith, John\\,5|");
  ASSERT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"C:\\x\\,2|");
}

TEST_F(UpdatePathTest, AFolderHoldingABarForgesNoEntries) {
  Add(Log(0), Records(u"C:\\a,999|Z:\\inj\\f", 3));
  Add(Log(1), Records(u"C:\\b\\f", 1));
  ASSERT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"C:\\b\\,1|");
}

TEST_F(UpdatePathTest, WithoutAnEngineKeepsTheOldText) {
  com.engine = nullptr;
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"old\\,1|");
}

TEST_F(UpdatePathTest, OnlyTheSecondLogHasRecentRecords) {
  Add(Log(0), Records(u"Old\\f", 5, Date(2025, 3, 10)));
  Add(Log(0), Records(u"Older\\f", 5, Date(2026, 2, 1)));
  Add(Log(1), Records(u"X\\f", 1));
  Add(Log(1), Records(u"Y\\f", 2));
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"Y\\,2|X\\,1|");
}

TEST_F(UpdatePathTest, ASecondCallStartsFromEmptyTallies) {
  Add(Log(0), Records(u"A\\f", 2));
  Add(Log(1), Records(u"B\\f", 1));
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"A\\,2|B\\,1|");
}

TEST_F(UpdatePathTest, ExcludedFoldersAreNeverWritten) {
  settings.SetText(u"deletepath", u"A\\,9|");
  Add(Log(0), Records(u"A\\f", 5));
  Add(Log(0), Records(u"a\\f", 1));
  Add(Log(1), Records(u"B\\f", 2));
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"B\\,2|a\\,1|");
}

TEST_F(UpdatePathTest, UnreadableExclusionsStopBeforeAnyWorker) {
  settings.SetText(u"deletepath", u"");  // a value of zero bytes cannot be loaded
  Add(Log(0), Records(u"A\\f", 5));
  EXPECT_EQ(UpdatePath(), 0);
  EXPECT_EQ(Stored(), u"old\\,1|");
  EXPECT_EQ(com.initializations.load(), 0);
}

TEST_F(UpdatePathTest, StopsReadingOnceTheBudgetIsSpent) {
  clock.step = 10;  // every clock reading on a thread is 10 seconds after the last
  Add(Log(0), Records(u"A\\f", 6));
  EXPECT_EQ(UpdatePath(), 1);
  // Reads at 0, 10 and 20 seconds; the test at 30 stops the worker.
  EXPECT_EQ(Stored(), u"A\\,3|");
}

TEST_F(UpdatePathTest, ASlowOpenStillReadsOneRecord) {
  com.slowClock = &clock;
  com.slowSeconds = 30;
  Add(Log(0), Records(u"A\\f", 6));
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"A\\,1|");
}

TEST_F(UpdatePathTest, AFailingWorkerLeavesTheOtherLogCounted) {
  Add(Log(0), Records(u"A\\f", 2));
  fakes::ScriptedStep failing = fakes::RecordStep(u"A\\f", Date(2026, 3, 10));
  failing.fault = fakes::Fault::kGettersThrow;  // its getters throw std::bad_alloc
  Log(0).push_back(failing);
  Add(Log(0), Records(u"A\\f", 5));
  Add(Log(1), Records(u"B\\f", 1));
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"A\\,2|B\\,1|");
}

TEST_F(UpdatePathTest, WithoutTodaysDateNothingIsCounted) {
  clock.todayAvailable = false;
  Add(Log(0), Records(u"A\\f", 2));
  EXPECT_EQ(UpdatePath(), 1);
  EXPECT_EQ(Stored(), u"old\\,1|");
}

// Where the hanging engine comes from: an out-of-process server, or the
// engine library loaded into the process.
enum class EngineSource { kServer, kLibrary };

class HungEngineTest : public UpdatePathTest, public ::testing::WithParamInterface<EngineSource> {
 protected:
  void SetUp() override {
    UpdatePathTest::SetUp();
    if (GetParam() == EngineSource::kLibrary) {
      com.engine = nullptr;
      modules.hostPath = fakes::NativeSeparators("C:\\Product\\bin\\host.exe");
      modules.memoryEngine = &engine;
    }
    // Every clock reading on a thread is 34 seconds after the last: a worker
    // reads one record, and the rebuild waits one second past the budget and
    // the grace (35 - 34) for a worker that hangs.
    clock.step = kHarvestBudgetSeconds + kHarvestGraceSeconds - 1;
  }
  void TearDown() override {
    // Let the workers left behind go, and see them give back all they hold.
    for (Gate &gate : gates) gate.Open();
    while (RunningHarvestWorkers() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // A loaded engine library's class factory is given back after the worker
    // has left its apartment, with the library itself.
    if (GetParam() == EngineSource::kLibrary) com.leftHolding.store(0);
    EXPECT_EQ(modules.Held(), 0);
    UpdatePathTest::TearDown();
  }

  // The reader of log which hangs inside its first Next until TearDown.
  void Hang(int log) {
    engine.script.logs[log].pause = &Gate::Wait;
    engine.script.logs[log].pauseContext = &gates[log];
    engine.script.logs[log].pauseAt = 0;
  }

  // UpdatePath's result, or -1 when it has not returned within a minute.
  std::int32_t UpdateWithin() {
    std::packaged_task<std::int32_t()> task([] { return UpdatePath(); });
    std::future<std::int32_t> result = task.get_future();
    std::thread caller(std::move(task));
    if (result.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
      for (Gate &gate : gates) gate.Open();
      caller.join();
      return -1;
    }
    caller.join();
    return result.get();
  }

  Gate gates[2];
};

TEST_P(HungEngineTest, AWorkerHangingInNextIsLeftBehindAndTheOtherLogRanked) {
  Add(Log(0), Records(u"C:\\Hot\\f", 5));
  Add(Log(1), Records(u"D:\\y\\f", 3));
  Hang(0);
  EXPECT_EQ(UpdateWithin(), 1);
  // The second worker read its one record; the first counts nothing.
  EXPECT_EQ(Stored(), u"D:\\y\\,1|");
  EXPECT_EQ(RunningHarvestWorkers(), 1);

  // Let go later, the worker ends on its own and writes nothing.
  gates[0].Open();
  while (RunningHarvestWorkers() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(Stored(), u"D:\\y\\,1|");
}

TEST_P(HungEngineTest, BothWorkersHangingKeepTheOldText) {
  Add(Log(0), Records(u"C:\\Hot\\f", 5));
  Add(Log(1), Records(u"D:\\y\\f", 3));
  Hang(0);
  Hang(1);
  EXPECT_EQ(UpdateWithin(), 1);
  EXPECT_EQ(Stored(), u"old\\,1|");
  EXPECT_EQ(RunningHarvestWorkers(), 2);
}

INSTANTIATE_TEST_SUITE_P(Sources, HungEngineTest, ::testing::Values(EngineSource::kServer, EngineSource::kLibrary),
                         [](const ::testing::TestParamInfo<EngineSource> &info) {
                           return info.param == EngineSource::kServer ? "Server" : "Library";
                         });

}  // namespace
}  // namespace hf::test
