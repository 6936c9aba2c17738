// Settings values written by other programs: other registry types, odd byte
// counts, a NUL inside, and very large data. Each reads as its text up to the
// first NUL, the calls give their documented results, and the other value of
// the key never changes.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
constexpr std::uint32_t kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4,
                        kRegMultiSz = 7;

std::vector<std::uint8_t> Bytes(const std::u16string &text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)});
  return bytes;
}

std::vector<std::uint8_t> WithExtraByte(std::vector<std::uint8_t> bytes) {
  bytes.push_back(0x41);
  return bytes;
}

class ForeignValuesTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }
  TestHive hive_;
};

TEST_F(ForeignValuesTest, StoredListOfAnyType) {
  struct Case {
    const char *name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::int32_t count;        // GetPathCount
    std::u16string rewritten;  // hotFolders after DeletePath of a folder that is not listed
  };
  const Case cases[] = {
      {"REG_SZ with its terminator", kRegSz, Bytes(std::u16string(u"C:\\a,5|") + u'\0'), 1, u"C:\\a,5|"},
      {"REG_EXPAND_SZ", kRegExpandSz, Bytes(u"C:\\a,5|C:\\b,3|"), 2, u"C:\\a,5|C:\\b,3|"},
      {"REG_MULTI_SZ with its double NUL", kRegMultiSz, Bytes(std::u16string(u"C:\\a,5|\0\0", 9)), 1, u"C:\\a,5|"},
      {"REG_DWORD", kRegDword, Bytes(u"7|"), 1, u",7|"},
      {"REG_BINARY of an odd length", kRegBinary, WithExtraByte(Bytes(u"C:\\a,5|")), 1, u"C:\\a,5|"},
      {"REG_BINARY that is not a list", kRegBinary, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0, u""},
      {"REG_NONE without data", kRegNone, {}, 0, u""},
      {"a NUL before the second entry", kRegMultiSz, Bytes(std::u16string(u"C:\\a,5|\0C:\\b,3|", 15)), 1, u"C:\\a,5|"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.WriteRaw(kStored, c.type, c.bytes);
    hive_.WriteText(kExcluded, u"C:\\x,1|");
    EXPECT_EQ(GetPathCount(), c.count);
    EXPECT_EQ(DeletePath(Native(u"C:\\not listed").data()), 1);
    const auto raw = hive_.ReadRaw(kStored);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, kRegMultiSz);
    EXPECT_EQ(raw->bytes, Bytes(c.rewritten));
    EXPECT_EQ(hive_.ReadText(kExcluded), std::u16string(u"C:\\x,1|"));
  }
}

TEST_F(ForeignValuesTest, ExclusionsOfAnyType) {
  struct Case {
    const char *name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::int32_t update;  // UpdatePath: 1 when the exclusions load
  };
  const Case cases[] = {
      {"REG_SZ with its terminator", kRegSz, Bytes(std::u16string(u"C:\\x,1|") + u'\0'), 1},
      {"REG_BINARY of an odd length", kRegBinary, WithExtraByte(Bytes(u"C:\\x,1|")), 1},
      {"REG_BINARY that is not a list", kRegBinary, {0xFF, 0xFF, 0xFF, 0xFF}, 0},
      {"REG_NONE without data", kRegNone, {}, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.WriteText(kStored, u"C:\\a,5|");
    hive_.WriteRaw(kExcluded, c.type, c.bytes);
    EXPECT_EQ(UpdatePath(), c.update);
    EXPECT_EQ(hive_.ReadText(kStored), std::u16string(u"C:\\a,5|"));
    const auto raw = hive_.ReadRaw(kExcluded);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, c.type);
    EXPECT_EQ(raw->bytes, c.bytes);
  }
}

TEST_F(ForeignValuesTest, AVeryLargeValue) {
  // One entry whose path fills 16 MB: more than a stored list may hold, so it
  // is unreadable, not read, and never written over.
  std::u16string text = u"C:\\";
  text.append((16u << 20) / 2 - 8, u'x');
  text += u",7|";
  hive_.WriteText(kStored, text);
  hive_.WriteText(kExcluded, u"C:\\x,1|");

  EXPECT_EQ(GetPathCount(), 0);
  HF_UTF16 buffer[260] = {0x2A};
  std::int32_t hits = -1;
  EXPECT_EQ(GetLogPath(0, buffer, 260, &hits), 0);
  EXPECT_EQ(buffer[0], 0x2A);
  EXPECT_EQ(hits, -1);
  EXPECT_EQ(DeletePath(Native(u"C:\\not listed").data()), 0);
  EXPECT_EQ(hive_.ReadText(kStored), text);
  EXPECT_EQ(hive_.ReadText(kExcluded), std::u16string(u"C:\\x,1|"));
  // Exclusions of that size stop a rebuild before anything is written.
  hive_.WriteText(kStored, u"C:\\a,5|");
  hive_.WriteText(kExcluded, text);
  EXPECT_EQ(UpdatePath(), 0);
  EXPECT_EQ(hive_.ReadText(kStored), std::u16string(u"C:\\a,5|"));
}

}  // namespace
}  // namespace hf::test
