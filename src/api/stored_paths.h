// The work behind GetPathCount, GetLogPath and DeletePath, over our own types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace hf {

// Reloads the stored list and returns its number of entries.
std::int32_t CountStoredPaths();

// Reloads the stored list; when index names an entry whose path and NUL fit
// into capacity code units, copies them into buffer, stores the hits in
// *countOut and returns 1. Otherwise returns 0 and writes nothing.
int CopyStoredPath(std::int32_t index, NativeChar16 *buffer, std::uint32_t capacity,
                   std::int32_t *countOut);

// Removes every stored entry equal to folderPath and puts each not yet
// excluded one in front of "deletepath". Returns 1 when the key opened for
// writing; 0 for a null folderPath, a missing or read-only key, or a stored
// list that could not be read (then nothing is written), and 0 when a matching
// folder could not be recorded in "deletepath" (then "hotFolders" is not written).
int RemoveStoredPath(const NativeChar16 *folderPath);

}  // namespace hf
