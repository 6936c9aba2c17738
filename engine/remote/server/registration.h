// /RegServer and /UnregServer: the registry entries that let COM start the
// server and marshal its interfaces, under HKCU or HKLM Software\Classes.
#pragma once

#include <string>

#include "server_arguments.h"

namespace morvex::server {

// Writes every entry (replacing earlier ones of ours). On failure nothing of
// ours is left and error says why. exePath is this program's full path.
[[nodiscard]] bool Register(const ServerArguments &arguments, const std::wstring &exePath, std::wstring *error);

// Removes exactly the entries Register writes; absent ones are no error.
[[nodiscard]] bool Unregister(bool machine, std::wstring *error);

}  // namespace morvex::server
