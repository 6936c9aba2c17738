// Command-line parsing of the tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arguments.h"

namespace hf::cli {
namespace {

struct GoodCase {
  std::vector<std::u16string> args;
  Command command;
  bool json;
  std::optional<std::u16string> library;
  std::int32_t rank;
  std::u16string folder;
};

TEST(ParseArguments, AcceptsEveryCommandWithItsOptions) {
  const GoodCase cases[] = {
      {{u"list"}, Command::list, false, std::nullopt, 0, u""},
      {{u"--json", u"list"}, Command::list, true, std::nullopt, 0, u""},
      {{u"list", u"--json"}, Command::list, true, std::nullopt, 0, u""},
      {{u"count"}, Command::count, false, std::nullopt, 0, u""},
      {{u"init"}, Command::init, false, std::nullopt, 0, u""},
      {{u"update", u"--library", u"/x/lib.so"}, Command::update, false, u"/x/lib.so", 0, u""},
      {{u"--library=C:\\h.dll", u"count"}, Command::count, false, u"C:\\h.dll", 0, u""},
      {{u"get", u"1"}, Command::get, false, std::nullopt, 1, u""},
      {{u"get", u"2147483647"}, Command::get, false, std::nullopt, 2147483647, u""},
      {{u"delete", u"C:\\Data"}, Command::remove, false, std::nullopt, 0, u"C:\\Data"},
      {{u"delete", u"/m\U0001F600/x"}, Command::remove, false, std::nullopt, 0, u"/m\U0001F600/x"},
      {{u"delete", u"--", u"--odd"}, Command::remove, false, std::nullopt, 0, u"--odd"},
      {{u"delete", u"-"}, Command::remove, false, std::nullopt, 0, u"-"},
      {{u"delete", u" spaced "}, Command::remove, false, std::nullopt, 0, u" spaced "},
      {{u"--help"}, Command::help, false, std::nullopt, 0, u""},
      {{u"list", u"-h"}, Command::help, false, std::nullopt, 0, u""},
      {{u"--version"}, Command::version, false, std::nullopt, 0, u""},
  };
  for (const auto &c : cases) {
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_TRUE(parsed.invocation) << parsed.error;
    EXPECT_EQ(parsed.invocation->command, c.command);
    EXPECT_EQ(parsed.invocation->json, c.json);
    EXPECT_EQ(parsed.invocation->library, c.library);
    EXPECT_EQ(parsed.invocation->rank, c.rank);
    EXPECT_EQ(parsed.invocation->folder, c.folder);
  }
}

struct BadCase {
  std::vector<std::u16string> args;
  std::string mentions;
};

TEST(ParseArguments, RefusesMistakesWithAMessageThatPointsToHelp) {
  const BadCase cases[] = {
      {{}, "no command"},
      {{u"frobnicate"}, "unknown command 'frobnicate'"},
      {{u"list", u"--colour"}, "unknown option '--colour'"},
      {{u"get"}, "needs an INDEX"},
      {{u"get", u"0"}, "INDEX must be"},
      {{u"get", u"-1"}, "unknown option '-1'"},
      {{u"get", u"x"}, "INDEX must be"},
      {{u"get", u"1x"}, "INDEX must be"},
      {{u"get", u"2147483648"}, "INDEX must be"},
      {{u"delete"}, "needs a FOLDER"},
      {{u"delete", u"a", u"b"}, "extra argument 'b'"},
      {{u"count", u"now"}, "extra argument 'now'"},
      {{u"delete", u"--json", u"a"}, "--json does not apply to 'delete'"},
      {{u"init", u"--json"}, "--json does not apply to 'init'"},
      {{u"list", u"--library"}, "--library needs"},
      {{u"list", u"--library="}, "--library needs"},
  };
  for (const auto &c : cases) {
    const ParsedArguments parsed = ParseArguments(c.args);
    EXPECT_FALSE(parsed.invocation) << c.mentions;
    EXPECT_NE(parsed.error.find(c.mentions), std::string::npos) << parsed.error;
    EXPECT_NE(parsed.error.find("hotfolders --help"), std::string::npos) << parsed.error;
  }
}

}  // namespace
}  // namespace hf::cli
