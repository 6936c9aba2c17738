// A rewrite of "hotFolders" whose write the store refuses: the value ends as
// it was, byte for byte, never empty or half written; one write makes it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "harvest/take_top.h"
#include "hotFolders.h"
#include "platform/settings_store.h"
#include "store/stored_lists.h"
#include "store_test_util.h"

namespace hf {
namespace {

using fakes::MemorySettings;
using Op = MemorySettings::Op;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
constexpr Status kDiskFull = 112;  // ERROR_DISK_FULL

// Three entries; the bytes end in a NUL unit and an odd byte, which a copy
// made through the text would lose.
std::vector<std::uint8_t> OldBytes() {
  std::vector<std::uint8_t> bytes = test::Bytes(u"C:\\a,5|C:\\b,3|C:\\c,2|");
  bytes.insert(bytes.end(), {0, 0, 0x7F});
  return bytes;
}

// The rebuild's write: the best three of source into "hotFolders".
WriteOutcome StoreBest(FolderList &source) { return ReplaceRanked(TakeTop(source)); }

class RewriteFaultTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(fake_.OpenHandles(), 0) << "a key was left open";
  }

  void WriteOld() { fake_.values[kStored].bytes = OldBytes(); }

  std::vector<std::u16string> Writes() const {
    std::vector<std::u16string> names;
    for (const auto &call : fake_.CallsOf(Op::kSetValue)) names.push_back(call.name);
    return names;
  }

  MemorySettings fake_;
  fakes::ScopedSettings installed_{fake_};
};

TEST_F(RewriteFaultTest, ARefusedWriteInTheRebuildLeavesTheOldListWhole) {
  struct Case {
    const char *name;
    std::size_t refused;  // the SetValue call that fails
    bool stored;          // the new list was written
  };
  const Case cases[] = {
      {"the write", 1, false},
      {"a second write, never made", 2, true},
      {"a fourth write, never made", 4, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fake_.calls.clear();
    WriteOld();
    fake_.setValueStatus = {{c.refused, kDiskFull}};
    FolderList source;
    for (const FolderEntry &entry : {FolderEntry{u"D:\\x", 9}, FolderEntry{u"D:\\y", 8}, FolderEntry{u"D:\\z", 7}})
      source.Append(entry);
    EXPECT_EQ(StoreBest(source), c.stored ? WriteOutcome::kWritten : WriteOutcome::kRefused);
    EXPECT_EQ(fake_.values[kStored].bytes,
              c.stored ? test::Bytes(u"D:\\x,9|D:\\y,8|D:\\z,7|") : OldBytes());
    EXPECT_EQ(fake_.values[kStored].type, platform::kRegMultiSz);
    // One write makes the list; nothing follows a refused one.
    EXPECT_EQ(Writes(), std::vector<std::u16string>(1, kStored));
  }
}

TEST_F(RewriteFaultTest, AMissingValueStaysMissingWhenTheRebuildFails) {
  fake_.setValueStatus = {{1, kDiskFull}};
  FolderList source;
  source.Append(FolderEntry{u"D:\\x", 9});
  source.Append(FolderEntry{u"D:\\y", 8});
  EXPECT_EQ(StoreBest(source), WriteOutcome::kRefused);
  EXPECT_EQ(fake_.values.count(kStored), 0u);
}

TEST_F(RewriteFaultTest, ARefusedWriteInADeletionLeavesTheOldListWhole) {
  // The writes of removing C:\b: deletepath, then the list.
  const struct {
    const char *name;
    std::size_t refused;
    int result;
    std::vector<std::uint8_t> stored;
  } cases[] = {
      {"the list's write", 2, 0, OldBytes()},
      {"a later write, never made", 3, 1, test::Bytes(u"C:\\a,5|C:\\c,2|")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    fake_.calls.clear();
    fake_.values.erase(kExcluded);
    WriteOld();
    fake_.setValueStatus = {{c.refused, kDiskFull}};
    const std::vector<HF_UTF16> folder{u'C', u':', u'\\', u'b', 0};
    EXPECT_EQ(DeletePath(folder.data()), c.result);
    EXPECT_EQ(fake_.values[kStored].bytes, c.stored);
    // The exclusion was recorded before, so the next rebuild leaves C:\b out.
    EXPECT_EQ(fake_.Text(kExcluded), u"C:\\b,3|");
    EXPECT_EQ(Writes(), (std::vector<std::u16string>{kExcluded, kStored}));
  }
}

TEST_F(RewriteFaultTest, CompletedRewritesWriteOnlyTheirSequence) {
  WriteOld();
  FolderList source;
  source.Append(FolderEntry{u"D:\\x", 9});
  source.Append(FolderEntry{u"D:\\y", 8});
  EXPECT_EQ(StoreBest(source), WriteOutcome::kWritten);
  EXPECT_EQ(fake_.Text(kStored), u"D:\\x,9|D:\\y,8|");
  EXPECT_EQ(Writes(), std::vector<std::u16string>(1, kStored));

  fake_.calls.clear();
  const std::vector<HF_UTF16> folder{u'D', u':', u'\\', u'x', 0};
  EXPECT_EQ(DeletePath(folder.data()), 1);
  EXPECT_EQ(fake_.Text(kStored), u"D:\\y,8|");
  EXPECT_EQ(Writes(), (std::vector<std::u16string>{kExcluded, kStored}));
}

}  // namespace
}  // namespace hf
