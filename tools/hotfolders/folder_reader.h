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
  // The 1-based place in the stored list, set by the reader; 0 where the
  // folder's position in a vector gives its rank.
  std::int32_t rank = 0;
};

// Longest path, in code units with the terminator, that the reader asks for:
// far beyond any real folder, yet a buffer the tool can always afford (32 MiB).
constexpr std::uint32_t kMaxPathCapacity = 1u << 24;

enum class ReadOutcome { ok, absent, failed };

struct ReadFolder {
  ReadOutcome outcome = ReadOutcome::failed;  // absent: the index is past the list's end
  StoredFolder folder;
};

// Entry `index` (0-based); the buffer starts at 260 code units and doubles up to
// kMaxPathCapacity while the call fails and the index is still inside the list.
// A buffer the system cannot give fails this entry only.
[[nodiscard]] ReadFolder ReadStoredFolder(FolderLibrary &library, std::int32_t index);

struct ReadList {
  std::vector<StoredFolder> folders;     // every entry that could be read, in stored order
  std::vector<std::int32_t> unreadable;  // 0-based indices of entries that could not be
};

// Every stored folder in stored order; a list that shrinks while being read ends
// early. An entry that cannot be read is left out and named in `unreadable`,
// so that one damaged entry does not hide the others.
[[nodiscard]] ReadList ReadStoredList(FolderLibrary &library);

}  // namespace hf::cli
