// The whole tool, from parsed arguments to exit status, on any host.
#pragma once

#include <string>
#include <vector>

#include "host.h"

namespace hf::cli {

// Runs `hotfolders` with the arguments after the program name; returns the exit
// status. Every failure is reported on standard error; nothing is thrown.
[[nodiscard]] int RunCli(const std::vector<std::u16string> &args, Host &host) noexcept;

}  // namespace hf::cli
