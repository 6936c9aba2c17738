// The text format of both registry values: a run of "%s,%d|" entries.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"
#include "store/folder_list.h"

namespace hf {

// Base-10 signed 32-bit conversion of a count text: leading white space, an
// optional sign, ASCII digits up to the first non-digit, clamped to the range.
std::int32_t ParseCount(std::u16string_view text) noexcept;

// Parses a list text into list, appending entries in text order: each item
// ends at a "|", its path runs up to its last comma and its count follows.
// Returns 1 when the whole text parsed, 0 at the first empty item (the
// entries before it stay).
int ParseListText(std::u16string_view text, FolderList &list);

// path + "," + decimal hits + "|".
WideString FormatEntry(std::u16string_view path, std::int32_t hits);
void AppendFormattedEntry(WideString &out, std::u16string_view path, std::int32_t hits);

}  // namespace hf
