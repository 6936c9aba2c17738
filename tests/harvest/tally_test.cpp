// The count of a folder in a tally, exclusions and the index.
#include <cstdint>
#include <limits>
#include <vector>

#include "harvest/tally.h"
#include "harvest_fixture.h"
#include "support/reference_model.h"

namespace hf::test {
namespace {

constexpr std::int32_t kMaxHits = std::numeric_limits<std::int32_t>::max();

struct TallyCase {
  std::vector<std::u16string> excluded;
  std::vector<std::u16string> paths;
  std::u16string expected;  // the tally afterwards, as "path,hits|" entries
};

class TallyTest : public HarvestFixture {
 protected:
  // Runs the case through the plain scan and through the index; both must agree.
  void Check(const TallyCase &c) {
    FolderList excludedList;
    for (const std::u16string &path : c.excluded) excludedList.Append(FolderEntry{path, 1});
    FolderList scanned;
    for (const std::u16string &path : c.paths) model::TallyFolder(scanned, excludedList, Record(path));
    EXPECT_EQ(Describe(scanned), c.expected);

    const ExclusionSet excluded(excludedList);
    TallyIndex index(excluded);
    FolderList indexed;
    for (const std::u16string &path : c.paths) TallyFolder(indexed, index, Record(path));
    EXPECT_EQ(Describe(indexed), c.expected);
  }
};

TEST_F(TallyTest, CountsFoldersInFirstSeenOrder) {
  const std::vector<TallyCase> cases = {
      {{}, {u"C:\\Temp\\a.exe", u"c:\\TEMP\\b.exe"}, u"C:\\Temp\\,2|"},
      {{}, {u"D:\\x\\1", u"C:\\y\\2", u"D:\\x\\3"}, u"D:\\x\\,2|C:\\y\\,1|"},
      {{}, {u"readme.txt", u"->a\\b", u"x\\y"}, u",2|x\\,1|"},
      {{}, {u"D:\\Mail\\store.zip->docs\\a.exe", u"D:\\MAIL\\b"}, u"D:\\Mail\\,2|"},
      // Only ASCII letters fold.
      {{}, {u"C:\\\u00c9t\u00e9\\a", u"C:\\\u00e9t\u00e9\\b"}, u"C:\\\u00c9t\u00e9\\,1|C:\\\u00e9t\u00e9\\,1|"},
      {{}, {u"C:\\[\\a", u"C:\\{\\a"}, u"C:\\[\\,1|C:\\{\\,1|"},
      // Exclusion is case-sensitive and exact.
      {{u"C:\\Temp\\"}, {u"C:\\Temp\\a.exe", u"c:\\temp\\a.exe"}, u"c:\\temp\\,1|"},
      {{u"C:\\Temp\\"}, {u"C:\\Temp\\sub\\a.exe"}, u"C:\\Temp\\sub\\,1|"},
      {{u""}, {u"readme.txt", u"C:\\a\\b"}, u"C:\\a\\,1|"},
      {{u"C:\\\u00c9t\u00e9\\"}, {u"C:\\\u00c9t\u00e9\\a", u"C:\\\u00e9t\u00e9\\b"}, u"C:\\\u00e9t\u00e9\\,1|"},
      // A folder holding "|" cannot be stored faithfully and is not counted;
      // commas are ordinary.
      {{}, {u"C:\\a,999|Z:\\inj\\x", u"C:\\b|\\y", u"C:\\c\\z"}, u"C:\\c\\,1|"},
      {{}, {u"D:\\Smith, John\\a", u"d:\\smith, john\\b"}, u"D:\\Smith, John\\,2|"},
      // Folders of one length that share their first and last four units
      // are still told apart, in both orders, and excluded alone.
      {{},
       {u"C:\\d\\0001\\Release\\a", u"C:\\d\\0002\\Release\\b", u"C:\\d\\0001\\Release\\c",
        u"C:\\d\\0002\\Release\\d", u"C:\\d\\0002\\Release\\e"},
       u"C:\\d\\0001\\Release\\,2|C:\\d\\0002\\Release\\,3|"},
      {{u"C:\\d\\0002\\Release\\"},
       {u"C:\\d\\0001\\Release\\a", u"C:\\d\\0002\\Release\\b", u"C:\\d\\0001\\Release\\c",
        u"C:\\d\\0002\\Release\\d"},
       u"C:\\d\\0001\\Release\\,2|"},
      {{}, {u"C:\\a", u"C:\\b", u"C:\\a", u"C:\\"}, u"C:\\,4|"},
  };
  for (const TallyCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases.data()));
    Check(c);
  }
}

TEST_F(TallyTest, CountStopsAtTheLargest32BitValue) {
  for (bool useIndex : {false, true}) {
    FolderList tally = ListOf({{u"C:\\A\\", kMaxHits - 1}});
    const FolderList excludedList;
    const ExclusionSet excluded(excludedList);
    TallyIndex index(excluded);
    for (int i = 0; i < 3; ++i) {
      if (useIndex)
        TallyFolder(tally, index, Record(u"c:\\a\\x"));
      else
        model::TallyFolder(tally, excludedList, Record(u"c:\\a\\x"));
    }
    EXPECT_EQ(Describe(tally), u"C:\\A\\,2147483647|");
  }
}

TEST_F(TallyTest, IndexPicksUpEntriesAlreadyInTheList) {
  FolderList tally = ListOf({{u"C:\\A\\", 4}, {u"c:\\a\\", 9}});
  const ExclusionSet excluded;
  TallyIndex index(excluded);
  TallyFolder(tally, index, Record(u"C:\\a\\f"));
  // The first entry that matches takes the hit, as the scan does.
  EXPECT_EQ(Describe(tally), u"C:\\A\\,5|c:\\a\\,9|");
  tally.RemoveAt(0);
  TallyFolder(tally, index, Record(u"C:\\a\\f"));
  EXPECT_EQ(Describe(tally), u"c:\\a\\,10|");
}

// A mixed stream of spellings, exclusions and odd code units: the indexed
// tally must equal the scanned one entry for entry.
TEST_F(TallyTest, IndexAgreesWithTheScanOnAMixedStream) {
  const std::vector<std::u16string> spellings = {
      u"C:\\Temp\\", u"c:\\temp\\", u"C:\\TEMP\\", u"", u"D:\\\u00c4\\", u"D:\\\u00e4\\",
      u"E:\\tab\there\\", u"F:\\co-op\\", u"F:\\coop\\", u"G:\\\u00ad\\", u"G:\\\\", u"H:\\x y\\"};
  FolderList excludedList;
  for (const char16_t *path : {u"c:\\temp\\", u"D:\\\u00e4\\", u"F:\\coop\\", u"G:\\\\"})
    excludedList.Append(FolderEntry{path, 1});
  const ExclusionSet excluded(excludedList);
  TallyIndex index(excluded);
  FolderList scanned;
  FolderList indexed;
  std::uint32_t state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 1103515245u + 12345u;
    const std::u16string path = spellings[(state >> 16) % spellings.size()] + u"file.bin";
    model::TallyFolder(scanned, excludedList, Record(path));
    TallyFolder(indexed, index, Record(path));
  }
  EXPECT_EQ(Describe(indexed), Describe(scanned));
  EXPECT_GT(scanned.Count(), 3u);
}

}  // namespace
}  // namespace hf::test
