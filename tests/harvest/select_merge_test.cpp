// Choosing the top three and merging the two logs' top lists.
#include <cstdint>
#include <limits>

#include "harvest/merge_top.h"
#include "harvest/take_top.h"
#include "harvest_fixture.h"
#include "hotFolders.h"
#include "store/stored_lists.h"

namespace hf::test {
namespace {

constexpr std::int32_t kMaxHits = std::numeric_limits<std::int32_t>::max();

struct SelectCase {
  FolderList source;
  std::u16string chosen;  // the list taken
  std::u16string left;    // source afterwards
  std::size_t result;     // entries taken
};

TEST_F(HarvestFixture, TakeTopMovesTheBestThreeEarliestFirstAmongEquals) {
  const std::vector<SelectCase> cases = {
      {ListOf({{u"a", 5}, {u"b", 9}, {u"c", 9}, {u"d", 2}}), u"b,9|c,9|a,5|", u"d,2|", 3},
      {ListOf({{u"a", 1}, {u"b", 2}}), u"b,2|a,1|", u"", 2},
      {ListOf({{u"a", 7}, {u"b", 7}, {u"c", 7}, {u"d", 7}}), u"a,7|b,7|c,7|", u"d,7|", 3},
      {ListOf({{u"a", 1}, {u"b", 2}, {u"c", 3}, {u"d", 4}, {u"e", 0}}), u"d,4|c,3|b,2|", u"a,1|e,0|", 3},
      // Counts are compared as unsigned 32-bit values.
      {ListOf({{u"a", 5}, {u"n", -1}, {u"m", kMaxHits}}), u"n,-1|m,2147483647|a,5|", u"", 3},
  };
  for (const SelectCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases.data()));
    FolderList source = c.source;
    const FolderList chosen = TakeTop(source);
    EXPECT_EQ(chosen.Count(), c.result);
    EXPECT_EQ(Describe(chosen), c.chosen);
    EXPECT_EQ(Describe(source), c.left);
  }
}

TEST_F(HarvestFixture, TakeTopOfAnEmptyListChoosesNothing) {
  FolderList source;
  EXPECT_TRUE(TakeTop(source).Empty());
}

TEST_F(HarvestFixture, StoringTheTopRewritesHotFolders) {
  settings.SetText(u"hotFolders", u"old\\,1|");
  FolderList source = ListOf({{u"C:\\Temp\\", 7}, {u"C:\\Downloads\\", 12}, {u"D:\\Work\\", 7}, {u"E:\\", 1}});
  EXPECT_EQ(ReplaceRanked(TakeTop(source)), WriteOutcome::kWritten);
  EXPECT_EQ(settings.Text(u"hotFolders"), u"C:\\Downloads\\,12|C:\\Temp\\,7|D:\\Work\\,7|");
  EXPECT_EQ(Describe(source), u"E:\\,1|");
}

TEST_F(HarvestFixture, ARebuildThatCountsNothingKeepsTheOldText) {
  settings.SetText(u"hotFolders", u"old\\,1|");
  EXPECT_EQ(UpdatePath(), 1);  // no engine serves the logs
  EXPECT_EQ(settings.Text(u"hotFolders"), u"old\\,1|");
}

struct MergeCase {
  FolderList first;
  FolderList second;
  std::u16string merged;
};

TEST_F(HarvestFixture, MergeAddsEqualPathsAndAppendsTheOthers) {
  const std::vector<MergeCase> cases = {
      {ListOf({{u"A", 5}, {u"B", 3}}), ListOf({{u"B", 4}, {u"C", 6}, {u"A", 1}}), u"A,6|B,7|C,6|"},
      {ListOf({{u"C:\\Temp\\", 2}}), ListOf({{u"c:\\temp\\", 3}}), u"C:\\Temp\\,2|c:\\temp\\,3|"},
      {ListOf({}), ListOf({{u"X", 1}, {u"Y", 2}}), u"X,1|Y,2|"},
      {ListOf({{u"X", 1}}), ListOf({}), u"X,1|"},
      // Entries appended by the merge are not matched again.
      {ListOf({{u"A", 1}}), ListOf({{u"B", 2}, {u"B", 3}}), u"A,1|B,2|B,3|"},
      // Sums stop at the largest 32-bit value.
      {ListOf({{u"A", kMaxHits}}), ListOf({{u"A", kMaxHits}}), u"A,2147483647|"},
  };
  for (const MergeCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases.data()));
    FolderList first = c.first;
    const std::u16string secondBefore = Describe(c.second);
    MergeTopLists(first, c.second);
    EXPECT_EQ(Describe(first), c.merged);
    EXPECT_EQ(Describe(c.second), secondBefore);
  }
}

TEST_F(HarvestFixture, MergedListIsStoredBestFirstWithEarliestWinningTies) {
  FolderList first = ListOf({{u"A", 5}, {u"B", 3}});
  MergeTopLists(first, ListOf({{u"B", 4}, {u"C", 6}, {u"A", 1}}));
  EXPECT_EQ(ReplaceRanked(TakeTop(first)), WriteOutcome::kWritten);
  EXPECT_EQ(settings.Text(u"hotFolders"), u"B,7|A,6|C,6|");
}

}  // namespace
}  // namespace hf::test
