// The text table of the folder list.
#include <gtest/gtest.h>

#include "table.h"

namespace hf::cli {
namespace {

TEST(FormatTable, AlignsRankAndHitsUnderTheHeader) {
  const std::vector<StoredFolder> folders = {{u"C:\\Data", 5}, {u"D:\\Temp", 123456}, {u"", -1}};
  EXPECT_EQ(FormatTable(folders),
            "rank    hits  folder\n"
            "   1       5  C:\\Data\n"
            "   2  123456  D:\\Temp\n"
            "   3      -1  \n");
}

TEST(FormatTable, StartsAtTheGivenRank) {
  EXPECT_EQ(FormatTable({{u"/srv", 2}}, 12), "rank  hits  folder\n  12     2  /srv\n");
}

struct DisplayCase {
  const char *name;
  std::u16string path;
  std::string shown;
};

TEST(DisplayPath, ShowsUnicodeAndHidesWhatCouldDisturbTheTerminal) {
  const DisplayCase cases[] = {
      {"plain", u"/home/u/scans", "/home/u/scans"},
      {"non-BMP", u"/m\U0001F600", "/m\xF0\x9F\x98\x80"},
      {"lone surrogate", std::u16string{u'a', 0xDC00}, "a\xEF\xBF\xBD"},
      {"newline", u"a\nb", "a\xEF\xBF\xBD" "b"},
      {"escape sequence", u"\x1B[2J", "\xEF\xBF\xBD[2J"},
      {"C1 control", u"\u009B", "\xEF\xBF\xBD"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(DisplayPath(c.path), c.shown) << c.name;
  }
}

}  // namespace
}  // namespace hf::cli
