// The folder list as a text table for people.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "folder_reader.h"

namespace hf::cli {

// A path for the terminal: UTF-8, with unpaired surrogates and control
// characters (which could move the cursor or fake a row) shown as U+FFFD.
[[nodiscard]] std::string DisplayPath(std::u16string_view path);

// Rows "rank  hits  folder" under a header; a folder without its own rank is
// numbered by its position, counted from `firstRank`.
[[nodiscard]] std::string FormatTable(const std::vector<StoredFolder> &folders, std::int32_t firstRank = 1);

}  // namespace hf::cli
