// The command line of `hotfolders`, parsed into what to do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hf::cli {

enum class Command { help, version, init, list, count, get, remove, update };

struct Invocation {
  Command command = Command::help;
  bool json = false;                      // --json: machine-readable output
  std::optional<std::u16string> library;  // --library PATH; default beside the tool
  std::int32_t rank = 0;                  // get: 1-based position, as `list` numbers them
  std::u16string folder;                  // delete: the folder exactly as given
};

struct ParsedArguments {
  std::optional<Invocation> invocation;  // empty on a usage error
  std::string error;                     // UTF-8 message naming the fix, when empty above
};

// Parses the arguments after the program name; options may stand anywhere
// before a "--", after which every argument is positional.
[[nodiscard]] ParsedArguments ParseArguments(const std::vector<std::u16string> &args);

}  // namespace hf::cli
