// The simple forms of the library's operations, kept beside the tests as the
// model that the library's own (indexed, one-write) forms are checked
// against. None of this ships in the library.
#pragma once

#include <cstdint>
#include <string_view>

#include "harvest/log_record.h"
#include "platform/types.h"
#include "store/folder_list.h"

namespace hf::model {

// True when the date lies in the counting window around the clock's local
// date today: this month of this year, or last month after today's day.
[[nodiscard]] bool IsRecent(const Timestamp &timestamp);

// 1 when path (null means none) equals a path of excluded under the
// platform's comparison, scanning from the first entry; else 0.
int IsExcluded(const FolderList &excluded, const char16_t *path);

// Counts the record's folder in tally unless excluded holds it or it holds a
// "|", scanning the tally from its first entry for the folder with A-Z folded
// to a-z.
void TallyFolder(FolderList &tally, const FolderList &excluded, const LogRecord &record);

// The ranked value written the long way: set to 0 bytes with KEY_WRITE
// (created when missing); 1 unless the key does not open.
int ResetStoredValue();

// Appends text at the end of "hotFolders", which must exist; 1 when written
// or when text is empty (nothing is opened then), 0 otherwise.
int AppendStoredText(std::u16string_view text);

// Puts text in front of "deletepath", creating it when missing; 1 when
// written or when text is empty (nothing is opened then), 0 otherwise.
int AppendExcludedText(std::u16string_view text);

}  // namespace hf::model
