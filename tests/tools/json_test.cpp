// JSON escaping and the JSON forms of the folder list.
#include <gtest/gtest.h>

#include <string>

#include "json.h"

namespace hf::cli {
namespace {

struct EscapeCase {
  const char *name;
  std::u16string text;
  std::string json;
};

TEST(JsonString, EscapesWhatJsonRequiresAndKeepsEveryCodeUnit) {
  const EscapeCase cases[] = {
      {"empty", u"", R"("")"},
      {"windows path", u"C:\\Data\\Scans", R"("C:\\Data\\Scans")"},
      {"quote", u"say \"hi\"", R"("say \"hi\"")"},
      {"slash unescaped", u"/home/user", R"("/home/user")"},
      {"short escapes", u"\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {"other controls", std::u16string{0x01, 0x1B, 0x1F}, R"("\u0001\u001B\u001F")"},
      {"NUL", std::u16string(1, u'\0'), R"("\u0000")"},
      {"DEL as is", u"\u007F", "\"\x7F\""},
      {"BMP as UTF-8", u"caf\u00E9", "\"caf\xC3\xA9\""},
      {"non-BMP as UTF-8", u"\U0001F4C1", "\"\xF0\x9F\x93\x81\""},
      {"lone high escaped", std::u16string{u'a', 0xD83D}, R"("a\uD83D")"},
      {"lone low escaped", std::u16string{0xDC00, u'b'}, R"("\uDC00b")"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(JsonString(c.text), c.json) << c.name;
  }
}

TEST(JsonFolderList, RanksFromOneInStoredOrder) {
  const std::vector<StoredFolder> folders = {{u"C:\\a", 5}, {u"D:\\b", -2}};
  EXPECT_EQ(JsonFolderList(folders),
            "{\"folders\": [\n"
            "  {\"rank\": 1, \"hits\": 5, \"folder\": \"C:\\\\a\"},\n"
            "  {\"rank\": 2, \"hits\": -2, \"folder\": \"D:\\\\b\"}\n"
            "]}\n");
}

TEST(JsonFolderList, EmptyListAndRebuildTime) {
  EXPECT_EQ(JsonFolderList({}), "{\"folders\": []}\n");
  const double seconds = 1.5;
  EXPECT_EQ(JsonFolderList({}, &seconds), "{\"seconds\": 1.500, \"folders\": []}\n");
}

}  // namespace
}  // namespace hf::cli
