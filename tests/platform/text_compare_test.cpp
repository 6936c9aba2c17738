// CompareText: zero exactly for equal texts, and case counts. (The order of
// unequal texts is the platform's own: StrCmpW sorts by locale.)
#include <gtest/gtest.h>

#include "platform/text_compare.h"

namespace hf::platform {
namespace {

TEST(CompareTextTest, ZeroOnlyForEqualTexts) {
  struct Case {
    const char16_t *a;
    const char16_t *b;
    bool equal;
  };
  const Case cases[] = {
      {u"C:\\Data", u"C:\\Data", true},
      {u"", u"", true},
      {u"C:\\Stra\u00dfe\\\u6587", u"C:\\Stra\u00dfe\\\u6587", true},
      {u"C:\\data", u"C:\\Data", false},
      {u"C:\\STRA\u00dfE", u"C:\\stra\u00dfe", false},
      {u"C:\\Dat", u"C:\\Data", false},
      {u"C:\\Data\\", u"C:\\Data", false},
      {u"", u"C:", false},
      {u"C:\\A", u"C:\\B", false},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(CompareText(c.a, c.b) == 0, c.equal) << "case " << (&c - cases);
    EXPECT_EQ(CompareText(c.b, c.a) == 0, c.equal) << "case " << (&c - cases) << " reversed";
  }
}

}  // namespace
}  // namespace hf::platform
