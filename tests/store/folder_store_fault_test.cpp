// Registry statuses and shortages that a real hive does not produce on
// demand, through the in-memory settings fake.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "platform/settings_store.h"
#include "store/stored_lists.h"
#include "store/value_text.h"
#include "store_test_util.h"
#include "support/reference_model.h"

namespace hf {
namespace {

using fakes::MemorySettings;
using Op = MemorySettings::Op;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";

ValueBuffer NoBuffer(std::size_t) { return nullptr; }

class FolderStoreFaultTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetBufferAllocatorForTesting(nullptr);
    EXPECT_EQ(fake_.OpenHandles(), 0) << "a key was left open";
  }

  MemorySettings fake_;
  fakes::ScopedSettings installed_{fake_};
};

TEST_F(FolderStoreFaultTest, EachOperationOpensTheKeyWithItsOwnAccess) {
  struct Case {
    const char *name;
    std::function<void()> call;
    std::uint32_t access;
  };
  const Case cases[] = {
      {"LoadRanked", [] { (void)LoadRanked(); }, platform::kKeyRead},
      {"LoadExcluded", [] { (void)LoadExcluded(); }, platform::kKeyRead},
      {"ReplaceRanked", [] { (void)ReplaceRanked(ListOf({{u"a", 1}})); }, platform::kKeyWrite},
      {"PrependExcluded", [] { (void)PrependExcluded({u"a", 1}); }, platform::kKeyAllAccess},
      {"model AppendStoredText", [] { (void)model::AppendStoredText(u"a,1|"); }, platform::kKeyAllAccess},
      {"model ResetStoredValue", [] { (void)model::ResetStoredValue(); }, platform::kKeyWrite},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fake_.calls.clear();
    c.call();
    const auto opens = fake_.CallsOf(Op::kOpen);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].access, c.access);
    EXPECT_EQ(fake_.CallsOf(Op::kClose).size(), 1u);
  }
}

TEST_F(FolderStoreFaultTest, LoaderOutcomes) {
  struct Case {
    const char *name;
    std::function<void(MemorySettings &)> script;
    LoadOutcome outcome;
    std::size_t entries;
  };
  const Case cases[] = {
      {"access refused", [](MemorySettings &f) { f.openStatus[platform::kKeyRead] = kErrorAccessDenied; },
       LoadOutcome::kNoKey, 0},
      {"size query fails", [](MemorySettings &f) { f.sizeStatus[kStored] = kErrorBadDb; },
       LoadOutcome::kQueryFailed, 0},
      {"size query refused", [](MemorySettings &f) { f.sizeStatus[kStored] = kErrorAccessDenied; },
       LoadOutcome::kQueryFailed, 0},
      {"no buffer", [](MemorySettings &) { SetBufferAllocatorForTesting(&NoBuffer); },
       LoadOutcome::kNoMemory, 0},
      {"data query fails", [](MemorySettings &f) { f.dataStatus[kStored] = kErrorBadDb; },
       LoadOutcome::kReadFailed, 0},
      // The value is longer than the size query says: only the reported
      // bytes are read, and they hold the first entry alone.
      {"size says 14 bytes", [](MemorySettings &f) { f.sizeOverride[kStored] = 14; },
       LoadOutcome::kParsed, 1},
      {"size says 5 bytes", [](MemorySettings &f) { f.sizeOverride[kStored] = 5; },
       LoadOutcome::kMalformed, 0},
      // Larger than a stored list may be: refused without a data query.
      {"size says 4 MiB and one byte", [](MemorySettings &f) { f.sizeOverride[kStored] = kMaxValueBytes + 1; },
       LoadOutcome::kTooLarge, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fake_ = MemorySettings();
    fake_.SetText(kStored, u"C:\\a,5|C:\\b,3|");
    SetBufferAllocatorForTesting(nullptr);
    c.script(fake_);
    const LoadedList loaded = LoadRanked();
    EXPECT_EQ(loaded.outcome, c.outcome);
    EXPECT_EQ(loaded.entries.Count(), c.entries);
    EXPECT_EQ(fake_.OpenHandles(), 0);
  }
}

TEST_F(FolderStoreFaultTest, LoaderAnswersOneOnlyForAWholeParse) {
  fake_.SetText(kExcluded, u"a,1|b");
  EXPECT_EQ(LoaderResult(LoadExcluded().outcome), 0);
  fake_.SetText(kExcluded, u"a,1|");
  EXPECT_EQ(LoaderResult(LoadExcluded().outcome), 1);
  SetBufferAllocatorForTesting(&NoBuffer);
  const LoadedList loaded = LoadExcluded();
  EXPECT_EQ(LoaderResult(loaded.outcome), 0);
  EXPECT_TRUE(loaded.entries.Empty());
}

TEST_F(FolderStoreFaultTest, PrependFailuresWriteNothing) {
  struct Case {
    const char *name;
    std::function<void(MemorySettings &)> script;
  };
  const Case cases[] = {
      {"access refused",
       [](MemorySettings &f) { f.openStatus[platform::kKeyAllAccess] = kErrorAccessDenied; }},
      {"size query fails",
       [](MemorySettings &f) {
         f.sizeStatus[kStored] = kErrorBadDb;
         f.sizeStatus[kExcluded] = kErrorBadDb;
       }},
      {"no buffer", [](MemorySettings &) { SetBufferAllocatorForTesting(&NoBuffer); }},
      // The value changed between the two queries: its old bytes are unknown,
      // so writing the new text alone would lose them.
      {"data query fails",
       [](MemorySettings &f) {
         f.dataStatus[kStored] = kErrorBadDb;
         f.dataStatus[kExcluded] = kErrorBadDb;
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fake_ = MemorySettings();
    fake_.SetText(kStored, u"A,1|");
    fake_.SetText(kExcluded, u"X,1|");
    SetBufferAllocatorForTesting(nullptr);
    c.script(fake_);
    EXPECT_EQ(model::AppendStoredText(u"B,2|"), 0);
    EXPECT_NE(PrependExcluded({u"B", 2}), WriteOutcome::kWritten);
    EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
    EXPECT_EQ(fake_.Text(kStored), u"A,1|");
    EXPECT_EQ(fake_.Text(kExcluded), u"X,1|");
    EXPECT_EQ(fake_.OpenHandles(), 0);
  }
}

TEST_F(FolderStoreFaultTest, NoWriteMakesAValueLargerThanTheLimit) {
  // A removal list one entry short of the limit: the next entry would pass it.
  std::u16string text(kMaxValueBytes / 2 - 4, u'x');
  text += u",1|";
  fake_.SetText(kExcluded, text);
  EXPECT_EQ(PrependExcluded({u"C:\\a", 5}), WriteOutcome::kRefused);
  EXPECT_EQ(fake_.Text(kExcluded), text);
  FolderList huge;
  huge.Append({std::u16string(kMaxValueBytes / 2, u'y'), 1});
  EXPECT_EQ(ReplaceRanked(huge), WriteOutcome::kRefused);
  EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
  EXPECT_EQ(LoadRanked().outcome, LoadOutcome::kParsed);
}

TEST_F(FolderStoreFaultTest, NotFoundStartsTheExcludedValueAfresh) {
  fake_.sizeStatus[kExcluded] = kErrorFileNotFound;
  fake_.SetText(kExcluded, u"X,1|");  // present, but the query says it is not
  EXPECT_EQ(PrependExcluded({u"B", 2}), WriteOutcome::kWritten);
  EXPECT_EQ(fake_.Text(kExcluded), u"B,2|");
}

TEST_F(FolderStoreFaultTest, ReplaceRefusedWritesNothing) {
  fake_.SetText(kStored, u"A,1|");
  fake_.openStatus[platform::kKeyWrite] = kErrorAccessDenied;
  EXPECT_EQ(ReplaceRanked(ListOf({{u"B", 2}})), WriteOutcome::kNoKey);
  EXPECT_TRUE(fake_.CallsOf(Op::kSetValue).empty());
  EXPECT_EQ(fake_.Text(kStored), u"A,1|");
}

TEST_F(FolderStoreFaultTest, ReplaceWithNothingWritesAnEmptyMultiSzValue) {
  EXPECT_EQ(ReplaceRanked(FolderList()), WriteOutcome::kWritten);
  ASSERT_EQ(fake_.values.count(kStored), 1u);
  EXPECT_EQ(fake_.values[kStored].type, platform::kRegMultiSz);
  EXPECT_TRUE(fake_.values[kStored].bytes.empty());
}

}  // namespace
}  // namespace hf
