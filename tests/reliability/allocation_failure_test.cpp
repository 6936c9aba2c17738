// Every exported function run with its 1st, 2nd, ... allocation failing until
// it completes: no crash, no exception out of the library, and each stored
// value afterwards either as it was or a whole list; a removed folder is never
// lost and an excluded one never comes back.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "failing_allocator.h"
#include "hotFolders.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
// Far more allocations than any call makes; reaching it means the loop never ended.
constexpr std::uint64_t kMaxAllocations = 100000;

struct Values {
  std::optional<std::u16string> stored;
  std::optional<std::u16string> excluded;
};

class AllocationFailureTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }

  void Restore(const Values &values) {
    hive_.RemoveKey();
    hive_.CreateKey();
    if (values.stored) hive_.WriteText(kStored, *values.stored);
    if (values.excluded) hive_.WriteText(kExcluded, *values.excluded);
  }

  Values Read() const { return {hive_.ReadText(kStored), hive_.ReadText(kExcluded)}; }

  // Each value either kept its old text or holds a whole list.
  static void ExpectOldOrWhole(const std::optional<std::u16string> &before,
                               const std::optional<std::u16string> &after, const char *name) {
    if (after == before) return;
    ASSERT_TRUE(after.has_value()) << name << " disappeared";
    EXPECT_TRUE(IsWholeList(*after)) << name << " holds half a list";
  }

  // Runs call with the nth allocation failing for n = 1, 2, ... until a run
  // completes without the failure; check judges every run, finished the last.
  void RunUntilComplete(const Values &initial, AllocationScope scope, const std::function<int()> &call,
                        const std::function<void(int result, const Values &after, bool injected)> &check) {
    for (std::uint64_t n = 1; n <= kMaxAllocations; ++n) {
      Restore(initial);
      ArmAllocationFailure(n, scope);
      const int result = call();
      const bool injected = DisarmAllocationFailure();
      const Values after = Read();
      SCOPED_TRACE("allocation " + std::to_string(n) + (injected ? " failed" : ": call completed"));
      ExpectOldOrWhole(initial.stored, after.stored, "hotFolders");
      ExpectOldOrWhole(initial.excluded, after.excluded, "deletepath");
      check(result, after, injected);
      if (::testing::Test::HasFailure() || !injected) return;
    }
    FAIL() << "the call never completed";
  }

  TestHive hive_;
};

TEST_F(AllocationFailureTest, GetPathCount) {
  const Values initial{u"C:\\a,5|C:\\b,3|", std::nullopt};
  RunUntilComplete(initial, AllocationScope::kThisThread, [] { return GetPathCount(); },
                   [&](int result, const Values &after, bool injected) {
                     EXPECT_TRUE(result == 2 || (injected && result == 0)) << result;
                     EXPECT_EQ(after.stored, initial.stored);
                   });
}

TEST_F(AllocationFailureTest, GetLogPath) {
  const Values initial{u"C:\\a,5|C:\\b,3|", std::nullopt};
  HF_UTF16 buffer[16];
  std::int32_t count = -1;
  const auto call = [&] {
    for (HF_UTF16 &unit : buffer) unit = 0x2A;
    count = -1;
    return GetLogPath(1, buffer, 16, &count);
  };
  RunUntilComplete(initial, AllocationScope::kThisThread, call,
                   [&](int result, const Values &after, bool injected) {
                     if (result == 1) {
                       EXPECT_EQ(std::u16string(buffer, buffer + 4), u"C:\\b");
                       EXPECT_EQ(buffer[4], 0);
                       EXPECT_EQ(count, 3);
                     } else {
                       EXPECT_TRUE(injected);
                       EXPECT_EQ(buffer[0], 0x2A) << "a failed call wrote into the buffer";
                       EXPECT_EQ(count, -1);
                     }
                     EXPECT_EQ(after.stored, initial.stored);
                   });
}

TEST_F(AllocationFailureTest, DeletePathNeverLosesTheRemoval) {
  const Values initial{u"C:\\a,5|C:\\b,3|C:\\c,2|", u"C:\\x,1|"};
  const auto folder = Native(u"C:\\b");
  RunUntilComplete(initial, AllocationScope::kThisThread, [&] { return DeletePath(folder.data()); },
                   [&](int result, const Values &after, bool injected) {
                     // Wherever the failure struck, C:\b is still listed or it is excluded.
                     const bool listed = after.stored && after.stored->find(u"C:\\b,") != std::u16string::npos;
                     const bool excluded = after.excluded && after.excluded->rfind(u"C:\\b,3|", 0) == 0;
                     EXPECT_TRUE(listed || excluded) << "the removal of C:\\b was lost; result " << result
                         << ", hotFolders " << ::testing::PrintToString(after.stored)
                         << ", deletepath " << ::testing::PrintToString(after.excluded);
                     if (!injected) {
                       EXPECT_EQ(result, 1);
                       EXPECT_EQ(after.stored, u"C:\\a,5|C:\\c,2|");
                       EXPECT_EQ(after.excluded, u"C:\\b,3|C:\\x,1|");
                     }
                   });
}

TEST_F(AllocationFailureTest, DeletePathOfAnAbsentFolder) {
  const Values initial{u"C:\\a,5|C:\\b,3|", std::nullopt};
  const auto folder = Native(u"C:\\none");
  RunUntilComplete(initial, AllocationScope::kThisThread, [&] { return DeletePath(folder.data()); },
                   [&](int result, const Values &after, bool injected) {
                     EXPECT_FALSE(after.excluded.has_value());
                     if (!injected) {
                       EXPECT_EQ(result, 1);
                       EXPECT_EQ(after.stored, initial.stored);
                     }
                   });
}

TEST_F(AllocationFailureTest, UpdatePathWithTheReferenceEngine) {
  if (!ReferenceEngineBuilt()) GTEST_SKIP() << "no reference engine built (run through ctest)";
  ASSERT_TRUE(WriteTodaysLogs({{"C:\\Docs\\", 4}, {"C:\\Removed\\", 9}, {"D:\\Mail\\", 2}},
                              {{"D:\\Mail\\", 3}, {"E:\\Tmp\\", 1}}));
  const Values initial{u"old\\,1|", u"C:\\Removed\\,9|"};
  // The workers allocate too: every thread's allocations are counted.
  RunUntilComplete(initial, AllocationScope::kAllThreads, [] { return UpdatePath(); },
                   [&](int result, const Values &after, bool injected) {
                     EXPECT_EQ(after.excluded, initial.excluded);
                     ASSERT_TRUE(after.stored.has_value());
                     EXPECT_EQ(after.stored->find(u"Removed"), std::u16string::npos)
                         << "an excluded folder came back";
                     if (!injected) {
                       EXPECT_EQ(result, 1);
                       EXPECT_EQ(after.stored, u"D:\\Mail\\,5|C:\\Docs\\,4|E:\\Tmp\\,1|");
                     }
                   });
}

TEST_F(AllocationFailureTest, DeletePathLeavesTheOldListOrTheWholeNewOne) {
  const struct {
    const char16_t *folder;
    const char16_t *rewritten;
  } cases[] = {{u"C:\\b", u"C:\\a,5|C:\\c,2|"}, {u"C:\\none", u"C:\\a,5|C:\\b,3|C:\\c,2|"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(c.folder)));
    const Values initial{u"C:\\a,5|C:\\b,3|C:\\c,2|", u"C:\\x,1|"};
    const auto folder = Native(c.folder);
    RunUntilComplete(initial, AllocationScope::kThisThread, [&] { return DeletePath(folder.data()); },
                     [&](int result, const Values &after, bool injected) {
                       EXPECT_TRUE(after.stored == initial.stored || after.stored == c.rewritten)
                           << "hotFolders " << ::testing::PrintToString(after.stored) << ", result " << result;
                       if (after.stored != c.rewritten) {
                         EXPECT_EQ(result, 0);
                       }
                       if (!injected) {
                         EXPECT_EQ(after.stored, c.rewritten);
                       }
                     });
  }
}

TEST_F(AllocationFailureTest, UpdatePathLeavesTheOldListOrTheWholeNewOne) {
  if (!ReferenceEngineBuilt()) GTEST_SKIP() << "no reference engine built (run through ctest)";
  // Everything is in the first log, so a failure that stops its worker
  // leaves nothing to write and the old list stays.
  ASSERT_TRUE(WriteTodaysLogs({{"C:\\Docs\\", 4}, {"C:\\Removed\\", 9}, {"D:\\Mail\\", 5}, {"E:\\Tmp\\", 2},
                               {"F:\\Low\\", 1}},
                              {}));
  const Values initial{u"G:\\Old1\\,7|G:\\Old2\\,6|G:\\Old3\\,5|", u"C:\\Removed\\,9|"};
  const std::u16string rewritten = u"D:\\Mail\\,5|C:\\Docs\\,4|E:\\Tmp\\,2|";
  // The calling thread's allocations fail: those of the reset and the appends among them.
  RunUntilComplete(initial, AllocationScope::kThisThread, [] { return UpdatePath(); },
                   [&](int result, const Values &after, bool injected) {
                     EXPECT_TRUE(after.stored == initial.stored || after.stored == rewritten)
                         << "hotFolders " << ::testing::PrintToString(after.stored) << ", result " << result;
                     if (!injected) {
                       EXPECT_EQ(result, 1);
                       EXPECT_EQ(after.stored, rewritten);
                     }
                   });
}

}  // namespace
}  // namespace hf::test
