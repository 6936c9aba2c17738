#include "folder_reader.h"

#include <algorithm>
#include <new>

namespace hf::cli {

ReadFolder ReadStoredFolder(FolderLibrary &library, std::int32_t index) {
  // The library cannot say how long a path is: grow the buffer until it fits.
  std::uint32_t capacity = 260;
  for (;;) {
    std::u16string buffer;
    try {
      buffer.assign(capacity, u'\0');
    } catch (const std::bad_alloc &) {
      return ReadFolder{ReadOutcome::failed, {}};
    }
    std::int32_t hits = 0;
    if (library.GetLogPath(index, buffer.data(), capacity, &hits) == 1) {
      buffer.resize(std::min<std::size_t>(buffer.find(u'\0'), capacity));
      buffer.shrink_to_fit();
      return ReadFolder{ReadOutcome::ok, StoredFolder{std::move(buffer), hits, index + 1}};
    }
    if (index < 0 || index >= library.GetPathCount()) return ReadFolder{ReadOutcome::absent, {}};
    if (capacity >= kMaxPathCapacity) return ReadFolder{ReadOutcome::failed, {}};
    capacity *= 2;
  }
}

ReadList ReadStoredList(FolderLibrary &library) {
  ReadList list;
  const std::int32_t count = library.GetPathCount();
  for (std::int32_t index = 0; index < count; ++index) {
    ReadFolder read = ReadStoredFolder(library, index);
    if (read.outcome == ReadOutcome::absent) break;
    if (read.outcome == ReadOutcome::failed) {
      list.unreadable.push_back(index);
      continue;
    }
    list.folders.push_back(std::move(read.folder));
  }
  return list;
}

}  // namespace hf::cli
