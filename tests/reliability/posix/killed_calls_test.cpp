// DeletePath and UpdatePath killed at random moments, again and again: every
// stored value afterwards is the old one or the new one, never empty or half
// written, a removal is recorded before the list loses the folder, and no
// temporary file outlives the next write.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
constexpr int kRounds = 150;

class KilledCallsTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }

  // Runs call in a child process and kills it after a random delay of up to
  // maxDelay_ microseconds (or lets it finish); the child's exit is reaped.
  void RunAndKill(void (*call)()) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      call();
      ::_exit(0);
    }
    std::uniform_int_distribution<int> delay(0, maxDelay_);
    ::usleep(static_cast<useconds_t>(delay(random_)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
  }

  // Keeps the kills around the moment of the write, however fast the machine:
  // a call that completed shortens the next delay, one killed early lengthens it.
  void Adapt(bool completed) {
    maxDelay_ = completed ? std::max(50, maxDelay_ * 3 / 4) : std::min(2000000, maxDelay_ * 3 / 2 + 1);
  }

  // Temporary files in the key's directory.
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(fs::path(hive_.Root()) / "Software" / "Quorvane")) {
      const std::string name = entry.path().filename().string();
      if (name != ".lock" && name != "hotFolders.value" && name != "deletepath.value") names.push_back(name);
    }
    return names;
  }

  TestHive hive_;
  std::mt19937 random_{20261211};
  int maxDelay_ = 2000;
};

void DeleteB() { (void)DeletePath(Native(u"C:\\b\\").data()); }
void Update() { (void)UpdatePath(); }

TEST_F(KilledCallsTest, AKilledDeletionLeavesTheOldListsOrTheNewOnes) {
  const std::u16string oldStored = u"C:\\a\\,5|C:\\b\\,3|C:\\c\\,2|";
  const std::u16string newStored = u"C:\\a\\,5|C:\\c\\,2|";
  const std::u16string oldExcluded = u"X:\\,1|";
  const std::u16string newExcluded = u"C:\\b\\,3|X:\\,1|";
  int completed = 0;
  for (int round = 0; round < kRounds; ++round) {
    hive_.WriteText(kStored, oldStored);
    hive_.WriteText(kExcluded, oldExcluded);
    RunAndKill(&DeleteB);
    const std::optional<std::u16string> stored = hive_.ReadText(kStored);
    const std::optional<std::u16string> excluded = hive_.ReadText(kExcluded);
    ASSERT_TRUE(stored == oldStored || stored == newStored) << "round " << round;
    ASSERT_TRUE(excluded == oldExcluded || excluded == newExcluded) << "round " << round;
    // The list never loses the folder before its removal is recorded.
    if (stored == newStored) {
      ASSERT_EQ(excluded, newExcluded) << "round " << round;
    }
    // A killed writer leaves at most one temporary file per value.
    ASSERT_LE(Temporaries().size(), 2u) << "round " << round;
    completed += stored == newStored ? 1 : 0;
    Adapt(stored == newStored);
  }
  // The delays reach both sides of the write.
  EXPECT_GT(completed, 0);
  EXPECT_LT(completed, kRounds);

  // The next writer of each value leaves no temporary file.
  hive_.WriteText(kStored, oldStored);
  ASSERT_EQ(DeletePath(Native(u"C:\\b\\").data()), 1);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(KilledCallsTest, AKilledRebuildLeavesTheOldListOrTheNewOne) {
  if (!ReferenceEngineBuilt() || !WriteTodaysLogs({{"D:\\u\\", 4}, {"E:\\v\\", 2}}, {{"F:\\w\\", 3}}))
    GTEST_SKIP() << "the reference engine or its history directory is not available";
  const std::u16string oldStored = u"C:\\a\\,5|";
  const std::u16string newStored = u"D:\\u\\,4|F:\\w\\,3|E:\\v\\,2|";
  hive_.WriteText(kExcluded, u"X:\\,1|");
  int completed = 0;
  for (int round = 0; round < kRounds; ++round) {
    hive_.WriteText(kStored, oldStored);
    RunAndKill(&Update);
    const std::optional<std::u16string> stored = hive_.ReadText(kStored);
    ASSERT_TRUE(stored == oldStored || stored == newStored) << "round " << round;
    ASSERT_EQ(hive_.ReadText(kExcluded), std::u16string(u"X:\\,1|")) << "round " << round;
    ASSERT_LE(Temporaries().size(), 1u) << "round " << round;
    completed += stored == newStored ? 1 : 0;
    Adapt(stored == newStored);
  }
  EXPECT_GT(completed, 0);
  EXPECT_LT(completed, kRounds);

  hive_.WriteText(kStored, oldStored);
  ASSERT_EQ(UpdatePath(), 1);
  EXPECT_EQ(hive_.ReadText(kStored), newStored);
  EXPECT_TRUE(Temporaries().empty());
}

}  // namespace
}  // namespace hf::test
