// Entry point on Linux: the arguments arrive as UTF-8 bytes.
#include <string>
#include <vector>

#include "app.h"
#include "exit_codes.h"
#include "platform.h"
#include "utf.h"

int main(int argc, char **argv) {
  try {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
      auto arg = hf::cli::Utf8ToUtf16(argv[i]);
      if (!arg) {
        hf::cli::WriteStderr("hotfolders: argument " + std::to_string(i) +
                             " is not valid UTF-8; pass folders and paths as UTF-8 text"
                             " (check the terminal's encoding)\n");
        return hf::cli::kExitUsage;
      }
      args.push_back(std::move(*arg));
    }
    hf::cli::SystemHost host;
    return hf::cli::RunCli(args, host);
  } catch (...) {
    hf::cli::WriteStderr("hotfolders: out of memory; close other programs and try again\n");
    return hf::cli::kExitLibraryFailed;
  }
}
