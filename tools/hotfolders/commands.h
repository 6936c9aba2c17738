// The commands that work on the stored list through a loaded library.
#pragma once

#include "arguments.h"
#include "host.h"
#include "library.h"

namespace hf::cli {

// Creates the settings key unless it exists; returns the exit status.
[[nodiscard]] int RunInit(Host &host);

// Runs list, count, get, delete or update against `library`; returns the exit status.
[[nodiscard]] int RunLibraryCommand(const Invocation &invocation, FolderLibrary &library, Host &host);

}  // namespace hf::cli
