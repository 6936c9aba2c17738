// Where the per-user settings hive lives on Linux. The library, its per-user
// lock and the command-line tool all take the key's directory from here.
#pragma once

#include <cstddef>

namespace hf::platform {

// Writes the settings key's directory, "<root>/Software/Quorvane" with the
// root "$XDG_CONFIG_HOME/hkcu", or "$HOME/.config/hkcu" when XDG_CONFIG_HOME
// is unset or empty, NUL-terminated into out. Returns the path's length, 0
// when neither variable gives a root; a result of size or more means the path
// did not fit and out holds nothing usable. Never allocates, so the lock can
// use it when memory is short.
std::size_t HiveKeyDirectory(char *out, std::size_t size) noexcept;

}  // namespace hf::platform
