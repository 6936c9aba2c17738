// The exclusion set answers exactly as a scan of the excluded list.
#include <vector>

#include "harvest_fixture.h"
#include "platform/text_compare.h"
#include "store/exclusion_set.h"
#include "support/reference_model.h"

namespace hf::test {
namespace {

// The set decides printable-ASCII folders by identity; that is sound only if
// the platform comparison never finds two different such texts equal.
TEST(PlainTextCompareTest, DifferentPrintableAsciiTextsNeverCompareEqual) {
  for (char16_t a = 0x20; a <= 0x7E; ++a) {
    for (char16_t b = 0x20; b <= 0x7E; ++b) {
      const char16_t left[] = {u'x', a, u'y', 0};
      const char16_t right[] = {u'x', b, u'y', 0};
      EXPECT_EQ(platform::CompareText(left, right) == 0, a == b) << int(a) << " " << int(b);
    }
  }
  const std::vector<std::pair<std::u16string, std::u16string>> pairs = {
      {u"co-op", u"coop"}, {u"it's", u"its"}, {u"a b", u"ab"},     {u"C:\\a\\", u"C:\\a"},
      {u"", u" "},         {u"a-", u"a"},     {u"'a", u"a"},       {u"C:\\-\\", u"C:\\\\"},
      {u"x--y", u"x-y"},   {u"x''y", u"x'y"}, {u"a\\b", u"a/b"},   {u"A", u"a"}};
  for (const auto &p : pairs)
    EXPECT_NE(platform::CompareText(p.first.c_str(), p.second.c_str()), 0);
}

TEST_F(HarvestFixture, ExclusionSetAnswersAsTheListScan) {
  const std::vector<std::u16string> excludedPaths = {
      u"C:\\Temp\\", u"", u"D:\\\u00e4\\", u"G:\\\\", u"E:\\tab\there\\", std::u16string(u"H:\\\0x\\", 6)};
  const std::vector<std::u16string> folders = {
      u"C:\\Temp\\", u"c:\\temp\\", u"", u" ", u"D:\\\u00e4\\", u"D:\\\u00c4\\", u"D:\\a\u0308\\",
      u"G:\\\\",     u"G:\\\u00ad\\", u"E:\\tab\there\\", u"E:\\tabhere\\", u"H:\\", u"H:\\x\\"};
  for (std::size_t size = 0; size <= excludedPaths.size(); ++size) {
    FolderList excludedList;
    for (std::size_t i = 0; i < size; ++i) excludedList.Append(FolderEntry{excludedPaths[i], 1});
    const ExclusionSet set(excludedList);
    for (const std::u16string &folder : folders)
      EXPECT_EQ(set.Contains(folder), model::IsExcluded(excludedList, folder.c_str()) != 0)
          << "list size " << size << ", folder index " << (&folder - folders.data());
  }
}

}  // namespace
}  // namespace hf::test
