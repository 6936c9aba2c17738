// Counting window, per-folder tally, ranking and merge.
#pragma once

#include <string_view>

#include "harvest/engine_connection.h"
#include "platform/types.h"
#include "store/folder_list.h"

namespace hf {

// True when the record's date lies in the counting window around today's
// local date: this month of this year, or last month after today's day.
bool IsRecent(const Timestamp &timestamp);

// The folder of an object path: up to and including the last backslash before
// the first "->" (or of the whole path); empty when there is none.
std::u16string_view FolderOf(std::u16string_view objectPath) noexcept;

// Counts the record's folder in tally unless it is excluded.
void TallyFolder(FolderList &tally, const LogRecord &record);

// Moves up to three best entries out of source: appended to destination, or
// with persist written into "hotFolders" instead. Returns destination's
// count afterwards, or 0 when source was empty.
int SelectTop(FolderList &destination, FolderList &source, bool persist);

// Adds second into first: equal paths (case-sensitive) add hits, others append.
void MergeTopLists(FolderList &first, const FolderList &second);

}  // namespace hf
