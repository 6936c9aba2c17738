// The engine server's command line: the modes, the options carried into the
// registration, and what is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server_arguments.h"

namespace {

using morvex::server::Mode;
using morvex::server::ParseServerArguments;
using morvex::server::ServerArguments;

TEST(ServerArgumentsTest, Accepted) {
  struct Case {
    std::vector<std::wstring> args;
    Mode mode;
    bool machine;
    std::wstring history;
    std::uint32_t idle;
    bool hang;
    std::uint32_t hangAfter;
  };
  const Case cases[] = {
      {{L"-Embedding"}, Mode::kEmbedding, false, L"", 60, false, 0},
      {{L"/Embedding"}, Mode::kEmbedding, false, L"", 60, false, 0},
      // COM appends -Embedding after the registered options.
      {{L"--history", L"C:\\h d", L"--idle-seconds", L"5", L"-Embedding"}, Mode::kEmbedding, false, L"C:\\h d", 5,
       false, 0},
      {{L"-embedding", L"--hang-after", L"0"}, Mode::kEmbedding, false, L"", 60, true, 0},
      {{L"/RegServer"}, Mode::kRegister, false, L"", 60, false, 0},
      {{L"-regserver", L"--machine", L"--hang-after", L"4294967295"}, Mode::kRegister, true, L"", 60, true,
       4294967295u},
      {{L"/UNREGSERVER", L"--machine"}, Mode::kUnregister, true, L"", 60, false, 0},
      {{L"/UnregServer", L"--idle-seconds", L"604800"}, Mode::kUnregister, false, L"", 604800, false, 0},
  };
  for (const Case &c : cases) {
    ServerArguments parsed;
    std::wstring error;
    ASSERT_TRUE(ParseServerArguments(c.args, &parsed, &error)) << ::testing::PrintToString(c.args);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_EQ(parsed.machine, c.machine);
    EXPECT_EQ(parsed.history, c.history);
    EXPECT_EQ(parsed.idleSeconds, c.idle);
    EXPECT_EQ(parsed.hang, c.hang);
    EXPECT_EQ(parsed.hangAfter, c.hangAfter);
  }
}

TEST(ServerArgumentsTest, Refused) {
  const std::vector<std::vector<std::wstring>> cases = {
      {},
      {L"--history", L"C:\\h"},
      {L"-Embedding", L"/RegServer"},
      {L"/RegServer", L"/RegServer"},
      {L"-Embedding", L"--machine"},
      {L"/RegServer", L"--history"},
      {L"/RegServer", L"--history", L""},
      {L"-Embedding", L"--idle-seconds", L"0"},
      {L"-Embedding", L"--idle-seconds", L"604801"},
      {L"-Embedding", L"--idle-seconds", L"-1"},
      {L"-Embedding", L"--idle-seconds", L"1x"},
      {L"-Embedding", L"--hang-after", L"4294967296"},
      {L"-Embedding", L"--hang-after", L""},
      {L"-Embedding", L"--unknown"},
      {L"-Embedding", L"stray"},
      {L"--Embedding"},
      {L"-Embed"},
      {L"/"},
  };
  for (const auto &args : cases) {
    ServerArguments parsed;
    std::wstring error;
    EXPECT_FALSE(ParseServerArguments(args, &parsed, &error)) << "case with " << args.size() << " arguments";
    EXPECT_FALSE(error.empty());
  }
}

TEST(ServerArgumentsTest, RegistrationCarriesTheServingOptions) {
  ServerArguments parsed;
  std::wstring error;
  ASSERT_TRUE(ParseServerArguments(
      {L"/RegServer", L"--machine", L"--hang-after", L"3", L"--history", L"C:\\h", L"--idle-seconds", L"9"}, &parsed,
      &error));
  EXPECT_EQ(morvex::server::CarriedOptions(parsed),
            (std::vector<std::wstring>{L"--history", L"C:\\h", L"--idle-seconds", L"9", L"--hang-after", L"3"}));
  ASSERT_TRUE(ParseServerArguments({L"/RegServer"}, &parsed, &error));
  EXPECT_TRUE(morvex::server::CarriedOptions(parsed).empty());
}

TEST(ServerArgumentsTest, Quoting) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"plain", L"plain"},
      {L"", L"\"\""},
      {L"C:\\with space\\dir", L"\"C:\\with space\\dir\""},
      {L"C:\\with space\\", L"\"C:\\with space\\\\\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},
      {L"C:\\no\\space\\", L"C:\\no\\space\\"},
  };
  for (const auto &[arg, quoted] : cases) EXPECT_EQ(morvex::server::QuoteArgument(arg), quoted);
}

}  // namespace
