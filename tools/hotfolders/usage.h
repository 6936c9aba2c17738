// The text of `hotfolders --help`.
#pragma once

#include <string>

namespace hf::cli {

// Usage, commands, options and exit statuses; the two locations fill in the
// platform's default library and settings key.
[[nodiscard]] std::string UsageText(const std::string &defaultLibrary, const std::string &settingsKey);

}  // namespace hf::cli
