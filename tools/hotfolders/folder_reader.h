// Reads the stored folder list back through the library, one entry at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "library.h"

namespace hf::cli {

struct StoredFolder {
  std::u16string path;
  std::int32_t hits = 0;
};

// Longest path, in code units with the terminator, that the reader asks for.
constexpr std::uint32_t kMaxPathCapacity = 1u << 20;

enum class ReadOutcome { ok, absent, failed };

struct ReadFolder {
  ReadOutcome outcome = ReadOutcome::failed;  // absent: the index is past the list's end
  StoredFolder folder;
};

// Entry `index` (0-based); the buffer starts at 260 code units and doubles up to
// kMaxPathCapacity while the call fails and the index is still inside the list.
[[nodiscard]] ReadFolder ReadStoredFolder(FolderLibrary &library, std::int32_t index);

struct ReadList {
  bool ok = false;  // false when an entry inside the list could not be read
  std::int32_t failedIndex = 0;
  std::vector<StoredFolder> folders;
};

// Every stored folder in stored order; a list that shrinks while being read ends early.
[[nodiscard]] ReadList ReadStoredList(FolderLibrary &library);

}  // namespace hf::cli
