// Folders of held paths counted sixteen at a time, against the scan.
#include <cstdint>
#include <string>
#include <vector>

#include "harvest/held_folder_batch.h"
#include "harvest_fixture.h"
#include "support/reference_model.h"

namespace hf::test {
namespace {

// Counts paths as a worker does: each held NUL-terminated in storage of its
// own, the batch counted and the index flushed once at the end.
FolderList CountBatched(TallyIndex &index, const std::vector<std::u16string> &paths) {
  FolderList tally;
  HeldFolderBatch batch;
  for (const std::u16string &path : paths) {
    const std::u16string held = path;
    batch.Add(tally, index, held.c_str());
  }
  batch.Count(tally, index);
  index.Flush(tally);
  return tally;
}

class HeldFolderBatchTest : public HarvestFixture {
 protected:
  // The list counting one record at a time by the plain scan gives.
  static FolderList Scan(const std::vector<std::u16string> &paths, const FolderList &excluded) {
    FolderList scanned;
    for (const std::u16string &path : paths) model::TallyFolder(scanned, excluded, Record(path));
    return scanned;
  }
};

// Folders that come first between batched ones, longer than a copy holds and
// so counted at once, or first seen in the last, partly filled batch, take
// their places in the order of first sight.
TEST_F(HeldFolderBatchTest, CountsInTheOrderThePathsCame) {
  const std::u16string longFolder = u"E:\\" + std::u16string(70, u'x') + u"\\";
  const std::u16string longer = u"F:\\" + std::u16string(100, u'y') + u"\\";
  struct Case {
    const char *what;
    std::vector<std::u16string> paths;
  };
  std::vector<Case> cases = {
      {"nothing", {}},
      {"fewer than a batch", {u"C:\\A\\1", u"C:\\B\\1", u"c:\\a\\2"}},
      {"a long one first", {longFolder + u"1", u"C:\\A\\1", u"C:\\A\\2", longFolder + u"2"}},
      {"a long one after waiting ones", {u"C:\\A\\1", longFolder + u"1", u"C:\\B\\1", longFolder + u"2"}},
      {"empty, null-like and archives", {u"", u"x", u"D:\\z.zip->C:\\in\\a", u"->b\\c", u"D:\\q\\z.rar->y"}},
  };
  Case mixed{"long ones every seventh record", {}};
  for (int i = 0; i < 200; ++i) {
    std::u16string number;
    for (char c : std::to_string(i % 23)) number += static_cast<char16_t>(c);
    if (i % 7 == 6) mixed.paths.push_back((i % 14 == 6 ? longFolder : longer) + number);
    else mixed.paths.push_back(u"C:\\Scans\\" + number + (i % 5 == 0 ? u"\\a.zip->b\\c" : u"\\doc.pdf"));
  }
  cases.push_back(mixed);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const ExclusionSet excluded;
    TallyIndex index(excluded);
    EXPECT_EQ(Describe(CountBatched(index, c.paths)), Describe(Scan(c.paths, FolderList{})));
  }
}

// Many folders in several spellings, some excluded, some longer than a copy
// holds, in an uneven stream: the batched count is the scan's.
TEST_F(HeldFolderBatchTest, AgreesWithTheScanOverManyFolders) {
  std::vector<std::u16string> folders;
  for (int i = 0; i < 1500; ++i) {
    std::u16string number;
    for (char c : std::to_string(i * 7919 % 100000)) number += static_cast<char16_t>(c);
    folders.push_back((i % 3 == 0 ? u"c:\\users\\ann\\p" : u"C:\\Users\\Ann\\P") + number + u"\\");
    if (i % 50 == 0) folders.push_back(u"D:\\" + std::u16string(60 + i % 20, u'k') + number + u"\\");
  }
  FolderList excludedList = ListOf({{folders[3], 1}, {folders[10], 1}});
  const ExclusionSet excluded(excludedList);
  const std::vector<std::u16string> paths = SkewedPaths(folders, 30001, 5);
  TallyIndex index(excluded);
  const FolderList scanned = Scan(paths, excludedList);
  EXPECT_EQ(Describe(CountBatched(index, paths)), Describe(scanned));
  EXPECT_GT(scanned.Count(), 1000u);
}

}  // namespace
}  // namespace hf::test
