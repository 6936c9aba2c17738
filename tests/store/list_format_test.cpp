// The count conversion, the parse and the formatting of list texts, and the
// list container itself.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/folder_list.h"
#include "store/list_format.h"
#include "store_test_util.h"

namespace hf {
namespace {

using test::Narrow;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(ParseCount, ConvertsLikeASignedDecimal) {
  struct Case {
    std::u16string text;
    std::int32_t expected;
  };
  const Case cases[] = {
      {u"7", 7},
      {u" 7", 7},
      {u"\t\n\v\f\r 7", 7},
      {u"12abc", 12},
      {u"abc", 0},
      {u"-3", -3},
      {u"+4", 4},
      {u"", 0},
      {u"-", 0},
      {u"- 5", 0},
      {u"007", 7},
      {u"0x10", 0},
      {u"7 8", 7},
      {u"2147483647", kMax},
      {u"2147483648", kMax},
      {u"99999999999999999999999999", kMax},
      {u"-2147483648", kMin},
      {u"-2147483649", kMin},
      {u"-99999999999999999999999999", kMin},
      {u"\uFF11\uFF12", 0},  // fullwidth digits are not digits here
  };
  for (const Case &c : cases) EXPECT_EQ(ParseCount(c.text), c.expected) << Narrow(c.text);
}

struct ParseCase {
  std::u16string text;
  int result;
  std::vector<FolderEntry> entries;
};

TEST(ParseListText, TakesWholeItemsUpToTheFirstFault) {
  const ParseCase cases[] = {
      {u"", 1, {}},
      {u"C:\\Data,5|D:\\Temp,2|", 1, {{u"C:\\Data", 5}, {u"D:\\Temp", 2}}},
      {u"C:\\Data,5|D:\\Temp,2", 0, {{u"C:\\Data", 5}}},
      {u"C:\\Data,5||D:\\Temp,2|", 0, {{u"C:\\Data", 5}}},
      {u"|C:\\Data,5|", 0, {}},
      {u"42|", 1, {{u"", 42}}},
      {u"C:\\Data|", 1, {{u"", 0}}},
      // The count follows the last comma, so a folder's own commas stay in its path.
      {u"C:\\A,B,7|", 1, {{u"C:\\A,B", 7}}},
      {u"D:\\Smith, John\\,5|C:\\a,1|", 1, {{u"D:\\Smith, John\\", 5}, {u"C:\\a", 1}}},
      {u"a,,b,|", 1, {{u"a,,b", 0}}},
      {u"x,,3|", 1, {{u"x,", 3}}},
      {u",5|", 1, {{u"", 5}}},
      {u"C:\\a,|", 1, {{u"C:\\a", 0}}},
      {u"C:\\a, 7x|", 1, {{u"C:\\a", 7}}},
      {u"C:\\a,1|C:\\a,2|", 1, {{u"C:\\a", 1}, {u"C:\\a", 2}}},
      {u"c:\\Mixed Case\\ ,-4|", 1, {{u"c:\\Mixed Case\\ ", -4}}},
  };
  for (const ParseCase &c : cases) {
    FolderList list;
    EXPECT_EQ(ParseListText(c.text, list), c.result) << Narrow(c.text);
    EXPECT_TRUE(Entries(list) == c.entries) << Narrow(c.text);
  }
}

TEST(ParseListText, AppendsAfterWhatTheListHolds) {
  FolderList list;
  list.Append({u"first", 1});
  ASSERT_EQ(ParseListText(u"second,2|", list), 1);
  const std::vector<FolderEntry> expected{{u"first", 1}, {u"second", 2}};
  EXPECT_TRUE(Entries(list) == expected);
}

TEST(FormatEntry, WritesPathCommaDecimalBar) {
  struct Case {
    std::u16string path;
    std::int32_t hits;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"C:\\Data", 5, u"C:\\Data,5|"},
      {u"C:\\Data", -1, u"C:\\Data,-1|"},
      {u"", 0, u",0|"},
      {u"x", kMax, u"x,2147483647|"},
      {u"x", kMin, u"x,-2147483648|"},
      {u"x", 100, u"x,100|"},
  };
  for (const Case &c : cases) EXPECT_EQ(FormatEntry(c.path, c.hits), c.expected) << Narrow(c.expected);
}

TEST(FormatEntry, AppendedEntriesParseBackUnchanged) {
  const std::vector<FolderEntry> entries{{u"C:\\a", 5}, {u"", kMin}, {u"D:\\b c\\", kMax}};
  std::u16string text;
  for (const FolderEntry &e : entries) AppendFormattedEntry(text, e.path, e.hits);
  FolderList list;
  ASSERT_EQ(ParseListText(text, list), 1);
  EXPECT_TRUE(Entries(list) == entries);
}

TEST(FolderList, RemoveAtKeepsTheOrderOfTheOthers) {
  FolderList list;
  for (int i = 0; i < 4; ++i) list.Append({std::u16string(1, static_cast<char16_t>(u'a' + i)), i});
  list.RemoveAt(1);
  const std::vector<FolderEntry> expected{{u"a", 0}, {u"c", 2}, {u"d", 3}};
  EXPECT_TRUE(Entries(list) == expected);
  list.At(0).hits = 9;
  EXPECT_EQ(list.At(0).hits, 9);
  list.Clear();
  EXPECT_TRUE(list.Empty());
}

TEST(FolderList, PositionOutsideTheListRaisesInvalidArg) {
  FolderList list;
  list.Append({u"a", 1});
  const FolderList &constant = list;
  auto status = [](auto &&call) -> HRESULT {
    try {
      call();
    } catch (const ComError &e) {
      return e.status();
    }
    return kS_OK;
  };
  EXPECT_EQ(status([&] { (void)list.At(1); }), kE_INVALIDARG);
  EXPECT_EQ(status([&] { (void)constant.At(5); }), kE_INVALIDARG);
  EXPECT_EQ(status([&] { list.RemoveAt(1); }), kE_INVALIDARG);
  EXPECT_EQ(list.Count(), 1u);
}

}  // namespace
}  // namespace hf
