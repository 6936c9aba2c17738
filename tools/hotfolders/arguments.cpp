#include "arguments.h"

#include <limits>

#include "utf.h"

namespace hf::cli {

namespace {

struct CommandName {
  std::u16string_view name;
  Command command;
  std::size_t operands;  // positional arguments after the command name
  bool takesJson;
};

constexpr CommandName kCommands[] = {
    {u"init", Command::init, 0, false},   {u"list", Command::list, 0, true},
    {u"count", Command::count, 0, true},  {u"get", Command::get, 1, true},
    {u"delete", Command::remove, 1, false}, {u"update", Command::update, 0, true},
};

constexpr char kSeeHelp[] = "; run `hotfolders --help` for usage";

ParsedArguments Fail(std::string message) {
  return ParsedArguments{std::nullopt, std::move(message) + kSeeHelp};
}

std::string Quote(std::u16string_view text) { return "'" + Utf16ToUtf8(text) + "'"; }

// A 1-based rank in decimal digits only, within 1..INT32_MAX.
std::optional<std::int32_t> ParseRank(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char16_t unit : text) {
    if (unit < u'0' || unit > u'9') return std::nullopt;
    value = value * 10 + (unit - u'0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  if (value < 1) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::u16string> &args) {
  Invocation invocation;
  bool help = false;
  bool version = false;
  std::vector<std::u16string> positional;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string &arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != u'-') {
      positional.push_back(arg);
    } else if (arg == u"--") {
      optionsEnded = true;
    } else if (arg == u"--help" || arg == u"-h") {
      help = true;
    } else if (arg == u"--version") {
      version = true;
    } else if (arg == u"--json") {
      invocation.json = true;
    } else if (arg == u"--library" || arg.rfind(u"--library=", 0) == 0) {
      std::u16string path;
      if (arg == u"--library") {
        if (i + 1 == args.size()) return Fail("--library needs a path to the library");
        path = args[++i];
      } else {
        path = arg.substr(10);
      }
      if (path.empty()) return Fail("--library needs a non-empty path to the library");
      invocation.library = std::move(path);
    } else {
      return Fail("unknown option " + Quote(arg));
    }
  }

  if (help) return ParsedArguments{invocation, {}};  // command stays `help`
  if (version) {
    invocation.command = Command::version;
    return ParsedArguments{invocation, {}};
  }
  if (positional.empty()) return Fail("no command given");

  const CommandName *found = nullptr;
  for (const CommandName &candidate : kCommands) {
    if (positional[0] == candidate.name) found = &candidate;
  }
  if (found == nullptr) return Fail("unknown command " + Quote(positional[0]));
  const std::string name = Utf16ToUtf8(found->name);
  if (positional.size() - 1 < found->operands) {
    return Fail("'" + name + "' needs " +
                (found->command == Command::get ? "an INDEX (1 for the first folder)" : "a FOLDER"));
  }
  if (positional.size() - 1 > found->operands) {
    return Fail("'" + name + "' does not take the extra argument " + Quote(positional[found->operands + 1]));
  }
  if (invocation.json && !found->takesJson) return Fail("--json does not apply to '" + name + "'");

  invocation.command = found->command;
  if (found->command == Command::get) {
    const auto rank = ParseRank(positional[1]);
    if (!rank) {
      return Fail("INDEX must be a whole number from 1 (the first folder) upwards, not " +
                  Quote(positional[1]));
    }
    invocation.rank = *rank;
  } else if (found->command == Command::remove) {
    invocation.folder = positional[1];
  }
  return ParsedArguments{invocation, {}};
}

}  // namespace hf::cli
