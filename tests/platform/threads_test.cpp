// Worker threads start, run their procedure with its argument and are joined.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/threads.h"

namespace hf::platform {
namespace {

unsigned Record(void *arg) {
  static_cast<std::atomic<int> *>(arg)->fetch_add(1);
  return 0;
}

TEST(ThreadsTest, TwoWorkersRunAndAreJoined) {
  std::atomic<int> first{0};
  std::atomic<int> second{0};
  ThreadHandle a = StartThread(&Record, &first);
  ThreadHandle b = StartThread(&Record, &second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  JoinThread(a);
  JoinThread(b);
  EXPECT_EQ(first.load(), 1);
  EXPECT_EQ(second.load(), 1);
}

TEST(ThreadsTest, NullInputsAreHarmless) {
  EXPECT_EQ(StartThread(nullptr, nullptr), nullptr);
  JoinThread(nullptr);
}

}  // namespace
}  // namespace hf::platform
