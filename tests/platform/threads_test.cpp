// Worker threads start, run their procedure with its argument and are joined,
// or left running once the wait is over.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/threads.h"

namespace hf::platform {
namespace {

unsigned Record(void *arg) {
  static_cast<std::atomic<int> *>(arg)->fetch_add(1);
  return 0;
}

// Runs until its flag is set, then marks it done.
struct Held {
  std::atomic<bool> release{false};
  std::atomic<bool> done{false};
};

unsigned Hold(void *arg) {
  auto *held = static_cast<Held *>(arg);
  while (!held->release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  held->done.store(true);
  return 0;
}

TEST(ThreadsTest, TwoWorkersRunAndAreJoined) {
  std::atomic<int> first{0};
  std::atomic<int> second{0};
  ThreadHandle a = StartThread(&Record, &first);
  ThreadHandle b = StartThread(&Record, &second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(JoinThread(a, 60'000));
  EXPECT_TRUE(JoinThread(b, 60'000));
  EXPECT_EQ(first.load(), 1);
  EXPECT_EQ(second.load(), 1);
}

TEST(ThreadsTest, AThreadStillRunningAfterTheWaitIsLeftToFinishOnItsOwn) {
  Held held;
  ThreadHandle thread = StartThread(&Hold, &held);
  ASSERT_NE(thread, nullptr);
  EXPECT_FALSE(JoinThread(thread, 50));
  EXPECT_FALSE(held.done.load());
  // The handle is gone, the thread is not.
  held.release.store(true);
  while (!held.done.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ThreadsTest, NullInputsAreHarmless) {
  EXPECT_EQ(StartThread(nullptr, nullptr), nullptr);
  EXPECT_TRUE(JoinThread(nullptr, 0));
}

}  // namespace
}  // namespace hf::platform
