// The exported functions when the settings fail in ways a real hive does not
// on demand, when something throws inside them, and when host threads call
// them at the same time.
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "hotFolders.h"
#include "platform/settings_store.h"
#include "store/stored_lists.h"

namespace hf {
namespace {

using fakes::MemorySettings;
using Op = MemorySettings::Op;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";

std::vector<HF_UTF16> Native(const std::u16string &text) {
  std::vector<HF_UTF16> out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

class ExportsFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { fake_.SetText(kStored, u"C:\\a,5|C:\\b,3|"); }
  void TearDown() override { EXPECT_EQ(fake_.OpenHandles(), 0) << "a key was left open"; }

  MemorySettings fake_;
  fakes::ScopedSettings installed_{fake_};
};

TEST_F(ExportsFaultTest, ExceptionsInsideEndTheCallWithZero) {
  for (const auto kind : {MemorySettings::Throw::kBadAlloc, MemorySettings::Throw::kComError}) {
    SCOPED_TRACE(kind == MemorySettings::Throw::kBadAlloc ? "bad_alloc" : "ComError");
    fake_.throwOnQuery = kind;
    HF_UTF16 buffer[8] = {0x2A};
    std::int32_t count = -1;
    EXPECT_EQ(GetPathCount(), 0);
    EXPECT_EQ(GetLogPath(0, buffer, 8, &count), 0);
    EXPECT_EQ(buffer[0], 0x2A);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 0);
    EXPECT_EQ(UpdatePath(), 0);
    EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
    EXPECT_EQ(fake_.Text(kStored), u"C:\\a,5|C:\\b,3|");
  }
  // The lock is free again and the next call works.
  fake_.throwOnQuery = MemorySettings::Throw::kNone;
  EXPECT_EQ(GetPathCount(), 2);
}

TEST_F(ExportsFaultTest, DeletePathOnAReadOnlyKeyKeepsTheExclusionItMade) {
  fake_.openStatus[platform::kKeyWrite] = kErrorAccessDenied;
  EXPECT_EQ(DeletePath(Native(u"C:\\b").data()), 0);
  EXPECT_EQ(fake_.Text(kStored), u"C:\\a,5|C:\\b,3|");
  EXPECT_EQ(fake_.Text(kExcluded), u"C:\\b,3|");
}

TEST_F(ExportsFaultTest, DeletePathWritesTheExclusionsThenTheListOnce) {
  fake_.SetText(kStored, u"C:\\a,5|C:\\b,3|C:\\a,1|");
  ASSERT_EQ(DeletePath(Native(u"C:\\a").data()), 1);
  std::vector<std::u16string> writes;
  for (const auto &call : fake_.CallsOf(Op::kSetValue)) writes.push_back(call.name);
  const std::vector<std::u16string> expected{kExcluded, kExcluded, kStored};
  EXPECT_EQ(writes, expected);
  EXPECT_EQ(fake_.Text(kStored), u"C:\\b,3|");
  EXPECT_EQ(fake_.Text(kExcluded), u"C:\\a,1|C:\\a,5|");
}

TEST_F(ExportsFaultTest, DeletePathKeepsAListWhoseDataCannotBeRead) {
  fake_.dataStatus[kStored] = kErrorBadDb;
  EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 0);
  EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
}

TEST_F(ExportsFaultTest, DeletePathKeepsAListWhoseSizeCannotBeQueried) {
  // A value that exists but answers its size query with a failure (damaged,
  // access refused) is not "no list": it is never written over.
  for (const Status status : {kErrorBadDb, kErrorAccessDenied}) {
    fake_.calls.clear();
    fake_.sizeStatus[kStored] = status;
    EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 0);
    EXPECT_EQ(fake_.Text(kStored), u"C:\\a,5|C:\\b,3|");
    EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
    EXPECT_EQ(fake_.values.count(kExcluded), 0u);
  }
}

TEST_F(ExportsFaultTest, UpdatePathStopsWhenTheExclusionsCannotBeLoaded) {
  fake_.SetText(kExcluded, u"");
  EXPECT_EQ(UpdatePath(), 0);
  EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
}

TEST_F(ExportsFaultTest, ConcurrentCallsSeeWholeLists) {
  // DeletePath of an absent folder empties "hotFolders" and writes it back;
  // serialised calls never see the list in between.
  const auto absent = Native(u"C:\\none");
  std::vector<std::thread> threads;
  std::vector<int> wrong(3, 0);
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i)
      if (DeletePath(absent.data()) != 1) ++wrong[0];
  });
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i)
      if (GetPathCount() != 2) ++wrong[1];
  });
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i) {
      HF_UTF16 buffer[8] = {};
      std::int32_t count = 0;
      if (GetLogPath(1, buffer, 8, &count) != 1 || count != 3 || buffer[3] != u'b') ++wrong[2];
    }
  });
  for (auto &t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<int>(3, 0));
  EXPECT_EQ(fake_.Text(kStored), u"C:\\a,5|C:\\b,3|");
}

}  // namespace
}  // namespace hf
