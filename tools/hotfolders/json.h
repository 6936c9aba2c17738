// JSON text for the values the tool prints.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "folder_reader.h"

namespace hf::cli {

// A JSON string literal (quotes included) holding exactly `text`: quote,
// backslash and control characters escaped, pairs written as UTF-8, and an
// unpaired surrogate as a \uXXXX escape so that no code unit is lost.
[[nodiscard]] std::string JsonString(std::u16string_view text);

// One folder as a JSON object: {"rank": R, "hits": H, "folder": "..."}.
[[nodiscard]] std::string JsonFolder(std::int32_t rank, const StoredFolder &folder);

// The list as a JSON document {"folders": [...]} ending in a newline, a folder
// without its own rank numbered by its position from 1;
// `seconds`, when given, adds how long the rebuild took.
[[nodiscard]] std::string JsonFolderList(const std::vector<StoredFolder> &folders,
                                         const double *seconds = nullptr);

}  // namespace hf::cli
