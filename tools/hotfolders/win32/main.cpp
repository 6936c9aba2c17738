// Entry point on Windows: the arguments arrive as UTF-16 (wmain, -municode), so
// every code unit reaches the library exactly as typed.
#include <windows.h>

#include <string>
#include <vector>

#include "app.h"
#include "exit_codes.h"
#include "platform.h"
#include "win32/wide.h"

int wmain(int argc, wchar_t **argv) {
  try {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(hf::cli::FromWide(argv[i]));
    hf::cli::SystemHost host;
    return hf::cli::RunCli(args, host);
  } catch (...) {
    hf::cli::WriteStderr("hotfolders: out of memory; close other programs and try again\n");
    return hf::cli::kExitLibraryFailed;
  }
}
