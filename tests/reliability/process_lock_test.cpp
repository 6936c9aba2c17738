// The per-user settings lock: held when the settings key exists, never
// creating the key, and released for the next holder.
#include <gtest/gtest.h>

#include "platform/process_lock.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

TEST(ProcessLockTest, NeverCreatesTheSettingsKey) {
  TestHive hive;
  { const platform::ProcessLock lock; }
  EXPECT_FALSE(hive.KeyExists());
}

TEST(ProcessLockTest, IsHeldWhileTheKeyExistsAndFreedAfterwards) {
  TestHive hive;
  hive.CreateKey();
  for (int i = 0; i < 3; ++i) {
    // Each holder gets it only if the one before let it go.
    const platform::ProcessLock lock;
    EXPECT_TRUE(lock.held());
  }
}

}  // namespace
}  // namespace hf::test
