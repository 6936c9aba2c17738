// GetPathCount, GetLogPath and DeletePath through their exported form,
// against the real settings hive of the platform.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "store/stored_lists.h"
#include "store/value_text.h"
#include "store_test_util.h"
#include "support/test_hive.h"

namespace hf {
namespace {

using test::Bytes;
using test::Narrow;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";

// The host's own code unit type, from a test text.
std::vector<HF_UTF16> Native(const std::u16string &text) {
  std::vector<HF_UTF16> out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

std::u16string FromNative(const HF_UTF16 *text, std::size_t units) {
  return std::u16string(text, text + units);
}

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }
  void TearDown() override { SetBufferAllocatorForTesting(nullptr); }

  test::TestHive hive_;
};

TEST_F(ExportsTest, GetPathCountCountsWhatLoads) {
  struct Case {
    const char *name;
    std::optional<std::u16string> stored;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"missing", std::nullopt, 0},
      {"zero bytes", u"", 0},
      {"two entries", u"C:\\a,5|C:\\b,3|", 2},
      {"damaged after the first", u"C:\\a,5|junk", 1},
      {"more than three", u"a,1|b,2|c,3|d,4|e,5|", 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    if (c.stored) hive_.WriteText(kStored, *c.stored);
    EXPECT_EQ(GetPathCount(), c.expected);
  }
}

TEST_F(ExportsTest, CallsOnAMissingKeyAnswerZeroAndCreateNothing) {
  hive_.RemoveKey();
  HF_UTF16 buffer[8] = {};
  std::int32_t count = -1;
  EXPECT_EQ(GetPathCount(), 0);
  EXPECT_EQ(GetLogPath(0, buffer, 8, &count), 0);
  EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 0);
  EXPECT_EQ(UpdatePath(), 0);
  EXPECT_FALSE(hive_.KeyExists());
  EXPECT_EQ(count, -1);
}

TEST_F(ExportsTest, GetLogPathDeliversOnlyWhatFits) {
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|,9|");
  struct Case {
    std::int32_t index;
    std::uint32_t capacity;
    bool nullBuffer;
    bool nullCount;
    std::int32_t result;
    std::u16string path;  // delivered, without the terminator
    std::int32_t hits;
  };
  const Case cases[] = {
      {1, 5, false, false, 1, u"C:\\b", 3},
      {0, 5, false, false, 1, u"C:\\a", 5},
      {0, 4, false, false, 0, u"", 0},
      {0, 16, false, false, 1, u"C:\\a", 5},
      {2, 1, false, false, 1, u"", 9},
      {-1, 16, false, false, 0, u"", 0},
      {3, 16, false, false, 0, u"", 0},
      {INT32_MIN, 16, false, false, 0, u"", 0},
      {INT32_MAX, 16, false, false, 0, u"", 0},
      {0, 16, true, false, 0, u"", 0},
      {0, 0, false, false, 0, u"", 0},
      {0, 16, false, true, 0, u"", 0},
  };
  constexpr HF_UTF16 kUntouched = 0x2A2A;
  constexpr std::int32_t kCountUntouched = -77;
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "index " << c.index << ", capacity " << c.capacity
                                      << (c.nullBuffer ? ", null buffer" : "")
                                      << (c.nullCount ? ", null count" : ""));
    std::vector<HF_UTF16> buffer(16, kUntouched);
    std::int32_t count = kCountUntouched;
    const std::int32_t result = GetLogPath(c.index, c.nullBuffer ? nullptr : buffer.data(),
                                           c.capacity, c.nullCount ? nullptr : &count);
    EXPECT_EQ(result, c.result);
    if (result == 1) {
      EXPECT_EQ(FromNative(buffer.data(), c.path.size()), c.path);
      EXPECT_EQ(buffer[c.path.size()], 0);
      EXPECT_EQ(count, c.hits);
    } else {
      EXPECT_EQ(count, kCountUntouched);
    }
    // Nothing past the terminator (or at all, on failure) is written.
    const std::size_t first = result == 1 ? c.path.size() + 1 : 0;
    for (std::size_t i = first; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kUntouched) << i;
  }
}

TEST_F(ExportsTest, GetLogPathFollowsTheValueAsItIsNow) {
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
  ASSERT_EQ(GetPathCount(), 2);
  hive_.WriteText(kStored, u"C:\\z,1|");
  HF_UTF16 buffer[8] = {};
  std::int32_t count = 0;
  EXPECT_EQ(GetLogPath(1, buffer, 8, &count), 0);
  ASSERT_EQ(GetLogPath(0, buffer, 8, &count), 1);
  EXPECT_EQ(FromNative(buffer, 4), u"C:\\z");
}

struct DeleteCase {
  const char *name;
  std::optional<std::u16string> stored;    // hotFolders before; nullopt: missing
  std::optional<std::u16string> excluded;  // deletepath before
  std::u16string folder;
  std::optional<std::u16string> storedAfter;
  std::optional<std::u16string> excludedAfter;
};

TEST_F(ExportsTest, DeletePathRewritesTheListAndRecordsTheFolder) {
  const DeleteCase cases[] = {
      {"middle entry", u"C:\\a,5|C:\\b,3|C:\\c,2|", std::nullopt, u"C:\\b", u"C:\\a,5|C:\\c,2|",
       u"C:\\b,3|"},
      {"in front of older exclusions", u"C:\\a,5|C:\\b,3|C:\\c,2|", u"C:\\x,1|", u"C:\\b",
       u"C:\\a,5|C:\\c,2|", u"C:\\b,3|C:\\x,1|"},
      {"case counts", u"C:\\a,5|C:\\b,3|", std::nullopt, u"C:\\B", u"C:\\a,5|C:\\b,3|",
       std::nullopt},
      {"separators are not folded", u"C:\\a,5|C:\\b,3|", std::nullopt, u"C:\\a\\",
       u"C:\\a,5|C:\\b,3|", std::nullopt},
      {"already excluded", u"C:\\a,5|C:\\b,3|", u"C:\\b,3|", u"C:\\b", u"C:\\a,5|", u"C:\\b,3|"},
      {"already excluded with another count", u"C:\\b,8|", u"C:\\b,1|", u"C:\\b", u"",
       u"C:\\b,1|"},
      {"every duplicate goes, the last first", u"C:\\a,5|C:\\a,2|", std::nullopt, u"C:\\a", u"",
       u"C:\\a,2|C:\\a,5|"},
      {"only entry leaves an empty value", u"C:\\a,5|", std::nullopt, u"C:\\a", u"", u"C:\\a,5|"},
      {"missing list is created empty", std::nullopt, std::nullopt, u"C:\\a", u"", std::nullopt},
      {"empty list stays empty", u"", u"C:\\x,1|", u"C:\\a", u"", u"C:\\x,1|"},
      {"empty exclusion value", u"C:\\a,5|", u"", u"C:\\a", u"", u"C:\\a,5|"},
      {"unparsed text is dropped", u"C:\\a,5|C:\\b,x|junk", std::nullopt, u"C:\\z",
       u"C:\\a,5|C:\\b,0|", std::nullopt},
      {"counts are written as read", u"C:\\a, 07|C:\\b,+3|", std::nullopt, u"C:\\z",
       u"C:\\a,7|C:\\b,3|", std::nullopt},
      {"empty path", u",9|C:\\a,1|", std::nullopt, u"", u"C:\\a,1|", u",9|"},
  };
  for (const DeleteCase &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    if (c.stored) hive_.WriteText(kStored, *c.stored);
    if (c.excluded) hive_.WriteText(kExcluded, *c.excluded);
    EXPECT_EQ(DeletePath(Native(c.folder).data()), 1);
    EXPECT_EQ(hive_.ReadText(kStored), c.storedAfter);
    EXPECT_EQ(hive_.ReadText(kExcluded), c.excludedAfter);
  }
}

TEST_F(ExportsTest, DeletedFolderIsGoneFromTheCount) {
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|C:\\c,2|");
  ASSERT_EQ(DeletePath(Native(u"C:\\b").data()), 1);
  EXPECT_EQ(GetPathCount(), 2);
  HF_UTF16 buffer[8] = {};
  std::int32_t count = 0;
  ASSERT_EQ(GetLogPath(1, buffer, 8, &count), 1);
  EXPECT_EQ(FromNative(buffer, 4), u"C:\\c");
  EXPECT_EQ(count, 2);
}

TEST_F(ExportsTest, DeletePathWithoutAPathTouchesNothing) {
  hive_.WriteText(kStored, u"C:\\a,5|");
  EXPECT_EQ(DeletePath(nullptr), 0);
  EXPECT_EQ(hive_.ReadText(kStored), u"C:\\a,5|");
  EXPECT_FALSE(hive_.ReadRaw(kExcluded).has_value());
}

ValueBuffer NoBuffer(std::size_t) { return nullptr; }

TEST_F(ExportsTest, DeletePathKeepsAListItCannotRead) {
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
  hive_.WriteText(kExcluded, u"C:\\x,1|");
  SetBufferAllocatorForTesting(&NoBuffer);
  EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 0);
  SetBufferAllocatorForTesting(nullptr);
  EXPECT_EQ(hive_.ReadText(kStored), u"C:\\a,5|C:\\b,3|");
  EXPECT_EQ(hive_.ReadText(kExcluded), u"C:\\x,1|");
}

TEST_F(ExportsTest, ReadingCallsAnswerZeroWhenTheListCannotBeRead) {
  hive_.WriteText(kStored, u"C:\\a,5|");
  SetBufferAllocatorForTesting(&NoBuffer);
  HF_UTF16 buffer[8] = {};
  std::int32_t count = -1;
  EXPECT_EQ(GetPathCount(), 0);
  EXPECT_EQ(GetLogPath(0, buffer, 8, &count), 0);
  EXPECT_EQ(count, -1);
}

}  // namespace
}  // namespace hf
