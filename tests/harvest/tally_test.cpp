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

// Counts paths as a worker does, each held NUL-terminated as the engine holds
// it, and flushes the index once at the end.
FolderList CountHeld(TallyIndex &index, const std::vector<std::u16string> &paths, FolderList tally = {}) {
  for (const std::u16string &path : paths) {
    const std::u16string held = path;  // its own terminated storage
    CountHeldPath(tally, index, held.c_str());
  }
  index.Flush(tally);
  return tally;
}

// Many folders, some in several spellings, and groups of one length that share
// their first and last eight units, counted in an uneven stream: counting held
// paths with one flush at the end gives the list that counting one record at a
// time gives, and the scan.
TEST_F(TallyTest, HeldCountsAgreeWithTheScanOverManyFolders) {
  std::vector<std::u16string> folders;
  for (int i = 0; i < 2000; ++i) {
    std::u16string number;
    for (char c : std::to_string(i * 7919 % 100000)) number += static_cast<char16_t>(c);
    folders.push_back(u"C:\\Users\\Ann\\Projects\\p" + number + u"\\");
  }
  for (int i = 0; i < 40; ++i) {
    // The same length, the same first and last eight units.
    std::u16string middle = u"0000";
    middle[static_cast<std::size_t>(i % 4)] = static_cast<char16_t>(u'a' + i / 4);
    folders.push_back(u"D:\\Shared\\" + middle + u"\\Scans\\Today\\");
  }
  folders.push_back(u"c:\\users\\ann\\projects\\p0\\");
  folders.push_back(u"C:\\");
  folders.push_back(u"E:\\" + std::u16string(90, u'x') + u"\\");
  FolderList excludedList = ListOf({{folders[5], 1}, {folders[2005], 1}});
  const ExclusionSet excluded(excludedList);

  const std::vector<std::u16string> paths = SkewedPaths(folders, 20000, 99);
  FolderList scanned;
  for (const std::u16string &path : paths) model::TallyFolder(scanned, excludedList, Record(path));
  TallyIndex oneByOne(excluded);
  FolderList counted;
  for (const std::u16string &path : paths) TallyFolder(counted, oneByOne, Record(path));
  TallyIndex held(excluded);
  EXPECT_EQ(Describe(CountHeld(held, paths)), Describe(scanned));
  EXPECT_EQ(Describe(counted), Describe(scanned));
  EXPECT_GT(scanned.Count(), 1500u);
}

// Folders of every length from 3 to 80 units, and each again with one unit
// changed, at every position: spellings that share their length and their
// first, middle and last units are told apart by their whole text.
TEST_F(TallyTest, HeldCountsTellApartFoldersThatDifferInOneUnit) {
  std::vector<std::u16string> folders;
  for (std::size_t length = 3; length <= 80; ++length) {
    const std::u16string plain = u"C:" + std::u16string(length - 3, u'q') + u"\\";
    folders.push_back(plain);
    for (std::size_t at = 0; at + 1 < length; ++at) {
      std::u16string changed = plain;
      changed[at] = u'r';
      folders.push_back(changed);
    }
  }
  std::vector<std::u16string> paths;
  std::uint32_t state = 7;
  for (int i = 0; i < 12000; ++i) {
    state = state * 1103515245u + 12345u;
    paths.push_back(folders[(state >> 8) % folders.size()] + u"scan.pdf");
  }
  const FolderList none;
  FolderList scanned;
  for (const std::u16string &path : paths) model::TallyFolder(scanned, none, Record(path));
  const ExclusionSet excluded(none);
  TallyIndex held(excluded);
  EXPECT_EQ(Describe(CountHeld(held, paths)), Describe(scanned));
}

TEST_F(TallyTest, HeldCountsStopAtTheLargest32BitValue) {
  const ExclusionSet excluded;
  TallyIndex index(excluded);
  FolderList tally = ListOf({{u"C:\\A\\", kMaxHits - 2}, {u"C:\\B\\", 5}});
  tally = CountHeld(index, {u"c:\\a\\x", u"c:\\a\\x", u"c:\\a\\x", u"c:\\a\\x", u"C:\\B\\y"}, tally);
  EXPECT_EQ(Describe(tally), u"C:\\A\\,2147483647|C:\\B\\,6|");
}

// Hits held for an entry that the list lost or moved before the flush go to
// the entry that holds the folder now, else to a new one at the end.
TEST_F(TallyTest, FlushFindsEntriesTheListMoved) {
  struct Case {
    const char *what;
    void (*change)(FolderList &);
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {"unchanged", [](FolderList &) {}, u"C:\\A\\,3|C:\\B\\,2|"},
      {"first removed", [](FolderList &tally) { tally.RemoveAt(0); }, u"C:\\B\\,2|C:\\A\\,1|"},
      {"all removed", [](FolderList &tally) { tally.Clear(); }, u"C:\\A\\,1|C:\\B\\,1|"},
      {"renamed",
       [](FolderList &tally) { tally.At(1).path = u"Z:\\"; }, u"C:\\A\\,3|Z:\\,1|C:\\B\\,1|"},
      {"moved down",
       [](FolderList &tally) {
         FolderEntry first = tally.At(0);
         tally.RemoveAt(0);
         tally.Append(first);
       },
       u"C:\\B\\,2|C:\\A\\,3|"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const ExclusionSet excluded;
    TallyIndex index(excluded);
    FolderList tally;
    // A new spelling's hit is in the list at once (the second spelling of A
    // too), the next ones are held: one for A, one for B.
    for (const char16_t *path : {u"C:\\A\\1", u"C:\\B\\1", u"C:\\A\\2", u"c:\\a\\3", u"C:\\B\\2"})
      CountHeldPath(tally, index, path);
    c.change(tally);
    index.Flush(tally);
    EXPECT_EQ(Describe(tally), c.expected);
  }
}

}  // namespace
}  // namespace hf::test
