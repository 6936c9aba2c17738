// The process-wide lists and the operations that load, append and reset the
// two registry values "hotFolders" and "deletepath".
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"
#include "store/folder_list.h"

namespace hf {

extern FolderList StoredList;
extern FolderList ExcludedList;
extern FolderList FirstLogTally;
extern FolderList SecondLogTally;
extern FolderList FirstLogTop;
extern FolderList SecondLogTop;

// Empties all six lists.
void ClearAllLists() noexcept;

// Why a loader returned what it did; the loaders themselves answer 1 or 0.
enum class LoadOutcome {
  kParsed,       // 1: the whole text parsed (a missing value gives an empty list)
  kQueryFailed,  // 1: the value's size could not be queried; the list stays empty
  kMalformed,    // 0: the parse stopped early; the entries before the fault stay
  kNoKey,        // 0: the key could not be opened
  kZeroBytes,    // 0: the value exists with 0 bytes
  kNoMemory,     // 0: the buffer for the data could not be obtained
  kReadFailed,   // 0: the data query failed after the size query succeeded
};

LoadOutcome LoadStoredListOutcome();
LoadOutcome LoadExcludedListOutcome();
int LoadStoredList();    // 1 or 0, from LoadStoredListOutcome
int LoadExcludedList();  // 1 or 0, from LoadExcludedListOutcome

int AppendStoredText(std::u16string_view text);
int AppendExcludedText(std::u16string_view text);
int ResetStoredValue();  // 1 unless ResetStoredValueOutcome gives kNoKey

// What a reset of "hotFolders" did.
enum class ResetOutcome {
  kEmptied,      // the value now holds 0 bytes
  kWriteFailed,  // the key opened but the store refused the write
  kNoKey,        // the key could not be opened for writing; nothing was written
};

// Sets "hotFolders" to an empty value, created if it was missing.
ResetOutcome ResetStoredValueOutcome();

// 1 when path (null means none) equals an ExcludedList path, case-sensitively.
int IsExcluded(const char16_t *path);

}  // namespace hf
