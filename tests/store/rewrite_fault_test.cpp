// A rewrite of "hotFolders" whose reset or append the store refuses: the
// value ends as it was, byte for byte, never empty or half written.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "harvest/tally.h"
#include "hotFolders.h"
#include "platform/settings_store.h"
#include "store/folder_store.h"

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
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : std::u16string(u"C:\\a,5|C:\\b,3|C:\\c,2|")) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.insert(bytes.end(), {0, 0, 0x7F});
  return bytes;
}

class RewriteFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearAllLists(); }
  void TearDown() override {
    ClearAllLists();
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
    std::size_t refused;            // the SetValue call that fails: 1 is the reset
    std::size_t writesBeforeRestore;  // hotFolders writes up to the failing one
  };
  const Case cases[] = {
      {"reset", 1, 1},
      {"first append", 2, 2},
      {"second append", 3, 3},
      {"third append", 4, 4},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fake_.calls.clear();
    WriteOld();
    fake_.setValueStatus = {{c.refused, kDiskFull}};
    FolderList source;
    for (const FolderEntry &entry : {FolderEntry{u"D:\\x", 9}, FolderEntry{u"D:\\y", 8}, FolderEntry{u"D:\\z", 7}})
      source.Append(entry);
    FolderList destination;
    EXPECT_EQ(SelectTop(destination, source, true), 0);
    EXPECT_EQ(fake_.values[kStored].bytes, OldBytes());
    EXPECT_EQ(fake_.values[kStored].type, platform::kRegMultiSz);
    // No write follows the refused one except the restoration, which a
    // refused reset does not need.
    const std::size_t restores = c.refused == 1 ? 0 : 1;
    EXPECT_EQ(Writes(), std::vector<std::u16string>(c.writesBeforeRestore + restores, kStored));
  }
}

TEST_F(RewriteFaultTest, AMissingValueEndsEmptyWhenTheRebuildFails) {
  // There is no operation that deletes a value: the nearest to "missing" is
  // an empty value, which reads as no list.
  fake_.setValueStatus = {{3, kDiskFull}};
  FolderList source;
  source.Append(FolderEntry{u"D:\\x", 9});
  source.Append(FolderEntry{u"D:\\y", 8});
  FolderList destination;
  EXPECT_EQ(SelectTop(destination, source, true), 0);
  ASSERT_EQ(fake_.values.count(kStored), 1u);
  EXPECT_TRUE(fake_.values[kStored].bytes.empty());
}

TEST_F(RewriteFaultTest, ARefusedWriteInADeletionLeavesTheOldListWhole) {
  // The writes of removing C:\b: deletepath, then the reset, then the append.
  const struct {
    const char *name;
    std::size_t refused;
    std::vector<std::u16string> writes;
  } cases[] = {
      {"reset", 2, {kExcluded, kStored}},
      {"append", 3, {kExcluded, kStored, kStored, kStored}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    fake_.calls.clear();
    fake_.values.erase(kExcluded);
    WriteOld();
    fake_.setValueStatus = {{c.refused, kDiskFull}};
    const std::vector<HF_UTF16> folder{u'C', u':', u'\\', u'b', 0};
    EXPECT_EQ(DeletePath(folder.data()), 0);
    EXPECT_EQ(fake_.values[kStored].bytes, OldBytes());
    // The exclusion was recorded before, so the next rebuild leaves C:\b out.
    EXPECT_EQ(fake_.Text(kExcluded), u"C:\\b,3|");
    EXPECT_EQ(Writes(), c.writes);
  }
}

TEST_F(RewriteFaultTest, CompletedRewritesWriteOnlyTheirSequence) {
  WriteOld();
  FolderList source;
  source.Append(FolderEntry{u"D:\\x", 9});
  source.Append(FolderEntry{u"D:\\y", 8});
  FolderList destination;
  static_cast<void>(SelectTop(destination, source, true));
  EXPECT_EQ(fake_.Text(kStored), u"D:\\x,9|D:\\y,8|");
  EXPECT_EQ(Writes(), std::vector<std::u16string>(3, kStored));

  fake_.calls.clear();
  const std::vector<HF_UTF16> folder{u'D', u':', u'\\', u'x', 0};
  EXPECT_EQ(DeletePath(folder.data()), 1);
  EXPECT_EQ(fake_.Text(kStored), u"D:\\y,8|");
  EXPECT_EQ(Writes(), (std::vector<std::u16string>{kExcluded, kStored, kStored}));
}

}  // namespace
}  // namespace hf
