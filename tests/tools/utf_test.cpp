// UTF-8 <-> UTF-16 conversions of the command-line tool.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "utf.h"

namespace hf::cli {
namespace {

struct DecodeCase {
  const char *name;
  std::string utf8;
  std::optional<std::u16string> utf16;
};

TEST(Utf8ToUtf16, DecodesWellFormedAndRefusesIllFormed) {
  const DecodeCase cases[] = {
      {"empty", "", u""},
      {"ascii", "C:\\Data", u"C:\\Data"},
      {"two bytes", "caf\xC3\xA9", u"caf\u00E9"},
      {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
      {"last BMP", "\xEF\xBF\xBF", u"\uFFFF"},
      {"non-BMP pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"highest", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"embedded in text", "/a/\xF0\x90\x80\x80/b", u"/a/\U00010000/b"},
      {"stray continuation", "\x80", std::nullopt},
      {"truncated two", "\xC3", std::nullopt},
      {"truncated four", "\xF0\x9F\x98", std::nullopt},
      {"overlong slash", "\xC0\xAF", std::nullopt},
      {"overlong three", "\xE0\x80\xAF", std::nullopt},
      {"overlong four", "\xF0\x80\x80\x80", std::nullopt},
      {"encoded surrogate", "\xED\xA0\x80", std::nullopt},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
      {"F5 lead", "\xF5\x80\x80\x80", std::nullopt},
      {"bad continuation", "\xE2\x28\xA1", std::nullopt},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.name;
  }
}

struct EncodeCase {
  const char *name;
  std::u16string utf16;
  std::string utf8;
};

TEST(Utf16ToUtf8, EncodesPairsAndReplacesUnpairedSurrogates) {
  const EncodeCase cases[] = {
      {"empty", u"", ""},
      {"ascii", u"D:\\Temp", "D:\\Temp"},
      {"BMP", u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
      {"pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
      {"lone high", std::u16string{u'a', 0xD83D, u'b'}, "a\xEF\xBF\xBD" "b"},
      {"lone low", std::u16string{0xDE00}, "\xEF\xBF\xBD"},
      {"high at end", std::u16string{u'x', 0xD800}, "x\xEF\xBF\xBD"},
      {"reversed pair", std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"NUL kept", std::u16string{u'a', 0, u'b'}, std::string("a\0b", 3)},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.name;
  }
}

TEST(Utf8ToUtf16, RoundTripsEveryKindOfCodePoint) {
  const std::u16string text = u"a\u00FF\u0800\uD7FF\uE000\uFFFD\U00010000\U0010FFFF";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

}  // namespace
}  // namespace hf::cli
