// Reading and editing the stored ranked list. Each call reloads what it needs
// from the settings key.
#include "api/stored_paths.h"

#include <limits>

#include "platform/process_lock.h"
#include "platform/text_compare.h"
#include "store/exclusion_set.h"
#include "store/stored_lists.h"

namespace hf {

std::int32_t CountStoredPaths() {
  const platform::ProcessLock settingsLock;
  const LoadedList ranked = LoadRanked();
  const std::size_t count = ranked.entries.Count();
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(count < kMax ? count : kMax);
}

int CopyStoredPath(std::int32_t index, NativeChar16 *buffer, std::uint32_t capacity,
                   std::int32_t *countOut) {
  const platform::ProcessLock settingsLock;
  const LoadedList ranked = LoadRanked();
  if (index < 0 || static_cast<std::size_t>(index) >= ranked.entries.Count()) return 0;
  if (buffer == nullptr || capacity == 0 || countOut == nullptr) return 0;
  const FolderEntry &entry = ranked.entries.At(static_cast<std::size_t>(index));
  const std::size_t length = entry.path.size();
  if (length >= capacity) return 0;
  for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<NativeChar16>(entry.path[i]);
  buffer[length] = 0;
  *countOut = entry.hits;
  return 1;
}

int RemoveStoredPath(const NativeChar16 *folderPath) {
  if (folderPath == nullptr) return 0;
  WideString path;
  for (const NativeChar16 *p = folderPath; *p != 0; ++p) path.push_back(static_cast<char16_t>(*p));

  // Held from the first read to the last write, so that the deletions of two
  // processes never overwrite each other.
  const platform::ProcessLock settingsLock;
  // Without the lock another process may be rewriting the same values.
  if (settingsLock.refused()) return 0;
  const LoadedList ranked = LoadRanked();
  // A list that could not be read must not be rewritten as empty; a key that
  // does not open for reading is not written either.
  if (!ranked.Readable()) return 0;
  const LoadedList excludedList = LoadExcluded();
  const ExclusionSet excluded(excludedList.entries);

  FolderList kept;
  for (const FolderEntry &entry : ranked.entries) {
    if (platform::CompareText(path.c_str(), entry.path.c_str()) != 0) {
      kept.Append(entry);
    } else if (!excluded.Contains(path)) {
      // A folder taken out of the list but not recorded as excluded would come
      // back with the next rebuild: stop before "hotFolders" is touched.
      if (PrependExcluded(entry) != WriteOutcome::kWritten) return 0;
    }
  }
  return ReplaceRanked(kept) == WriteOutcome::kWritten ? 1 : 0;
}

}  // namespace hf
