// Eight host threads calling all four exported functions at once: every call
// sees the whole stored list, and so does a reader that holds the user's lock.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "platform/process_lock.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
// What the rebuild makes of the logs below, so that every writer keeps it.
constexpr char16_t kList[] = u"D:\\Mail\\,5|C:\\Docs\\,4|E:\\Tmp\\,1|";
constexpr int kThreads = 8;
constexpr int kRounds = 40;

struct Wrong {
  std::atomic<int> count{0};
  std::atomic<int> logPath{0};
  std::atomic<int> deleted{0};
  std::atomic<int> updated{0};
  std::atomic<int> seenByLockHolder{0};
};

void CallAll(int thread, Wrong &wrong) {
  const auto absent = Native(u"C:\\not listed\\" + std::u16string(1, static_cast<char16_t>(u'0' + thread)));
  const auto excluded = Native(u"C:\\Removed\\");
  for (int round = 0; round < kRounds; ++round) {
    switch ((thread + round) % 4) {
      case 0:
        if (GetPathCount() != 3) ++wrong.count;
        break;
      case 1: {
        HF_UTF16 buffer[32] = {};
        std::int32_t hits = 0;
        const int index = round % 3;
        const std::u16string expected[] = {u"D:\\Mail\\", u"C:\\Docs\\", u"E:\\Tmp\\"};
        const std::int32_t expectedHits[] = {5, 4, 1};
        if (GetLogPath(index, buffer, 32, &hits) != 1 || hits != expectedHits[index] ||
            std::u16string(buffer, buffer + expected[index].size()) != expected[index])
          ++wrong.logPath;
        break;
      }
      case 2:
        // Neither folder is listed: the list is rewritten as it was.
        if (DeletePath(absent.data()) != 1 || DeletePath(excluded.data()) != 1) ++wrong.deleted;
        break;
      default:
        if (UpdatePath() != 1) ++wrong.updated;
        break;
    }
  }
}

TEST(ManyThreadsTest, CallsFromEightThreadsSeeWholeLists) {
  const bool engine = ReferenceEngineBuilt();
  TestHive hive;
  hive.CreateKey();
  if (engine) {
    ASSERT_TRUE(WriteTodaysLogs({{"C:\\Docs\\", 4}, {"C:\\Removed\\", 9}, {"D:\\Mail\\", 2}},
                                {{"D:\\Mail\\", 3}, {"E:\\Tmp\\", 1}}));
  }
  hive.WriteText(kStored, kList);
  hive.WriteText(kExcluded, u"C:\\Removed\\,9|");

  Wrong wrong;
  std::atomic<bool> done{false};
  // Reads the raw value under the user's lock, as another process would.
  std::thread observer([&] {
    while (!done.load()) {
      const platform::ProcessLock lock;
      if (hive.ReadText(kStored) != std::u16string(kList)) ++wrong.seenByLockHolder;
    }
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(CallAll, t, std::ref(wrong));
  for (auto &t : threads) t.join();
  done = true;
  observer.join();

  EXPECT_EQ(wrong.count.load(), 0);
  EXPECT_EQ(wrong.logPath.load(), 0);
  EXPECT_EQ(wrong.deleted.load(), 0);
  EXPECT_EQ(wrong.updated.load(), 0);
  EXPECT_EQ(wrong.seenByLockHolder.load(), 0);
  EXPECT_EQ(hive.ReadText(kStored), std::u16string(kList));
  EXPECT_EQ(hive.ReadText(kExcluded), std::u16string(u"C:\\Removed\\,9|"));
}

}  // namespace
}  // namespace hf::test
