// The two stored lists: "hotFolders", the ranked folders, and "deletepath",
// the folders the user removed. This is the only code that reads or writes
// them; every operation opens the settings key anew and closes it on return.
#pragma once

#include "store/folder_list.h"

namespace hf {

// Why a load gave what it did.
enum class LoadOutcome {
  kParsed,       // the whole text parsed (a missing value gives an empty list)
  kQueryFailed,  // the value's size could not be queried; the list is empty
  kMalformed,    // the parse stopped early; the entries before the fault stay
  kNoKey,        // the key could not be opened
  kZeroBytes,    // the value exists with 0 bytes; the list is empty
  kNoMemory,     // the buffer for the data could not be obtained
  kReadFailed,   // the data query failed after the size query succeeded
  kTooLarge,     // the value is larger than a stored list may be; not read
};

// A stored list as loaded: the entries that parsed and why the load ended.
struct LoadedList {
  LoadOutcome outcome = LoadOutcome::kParsed;
  FolderList entries;

  // False when the key did not open or a value that exists could not be
  // read (its size query or data query failed, memory ran short, it is too
  // large), so that a rewrite from entries would lose what it holds.
  [[nodiscard]] bool Readable() const noexcept;
};

// Loads "hotFolders". Throws std::bad_alloc only when the entries cannot be held.
[[nodiscard]] LoadedList LoadRanked();
// Loads "deletepath". Throws std::bad_alloc only when the entries cannot be held.
[[nodiscard]] LoadedList LoadExcluded();

// What a write of a stored list did.
enum class WriteOutcome {
  kWritten,     // the value now holds the new text
  kNoKey,       // the key could not be opened for writing; nothing was written
  kUnreadable,  // the value exists but could not be read; nothing was written
  kRefused,     // the store refused the write (a full disk); the old value stands
};

// Replaces "hotFolders" with entries, in order, each as "path,hits|", in one
// write: a reader in this or another process sees the old list or the new
// one, never a part. An empty list leaves a value of 0 bytes.
[[nodiscard]] WriteOutcome ReplaceRanked(const FolderList &entries);

// Puts entry, as "path,hits|", in front of "deletepath", creating the value
// when it is missing. A value that exists but cannot be read is not written;
// nor is one that would grow past the largest a stored list may be (kRefused).
[[nodiscard]] WriteOutcome PrependExcluded(const FolderEntry &entry);

}  // namespace hf
