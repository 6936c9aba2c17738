// Counting window, per-folder tally, ranking and merge.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>

#include "harvest/engine_connection.h"
#include "harvest/exclusion_set.h"
#include "platform/types.h"
#include "store/folder_list.h"

namespace hf {

// True when the record's date lies in the counting window around today's
// local date: this month of this year, or last month after today's day.
// False when today's date cannot be obtained.
[[nodiscard]] bool IsRecent(const Timestamp &timestamp);

// The folder of an object path: up to and including the last backslash before
// the first "->" (or of the whole path); empty when there is none.
std::u16string_view FolderOf(std::u16string_view objectPath) noexcept;

// True when a and b are equal once the letters A-Z are folded to a-z; every
// other code unit must be identical.
[[nodiscard]] bool EqualsFoldingAscii(std::u16string_view a, std::u16string_view b) noexcept;

// Counts the record's folder in tally unless it is excluded, scanning the
// list from its first entry.
void TallyFolder(FolderList &tally, const LogRecord &record);

// The lookup structures one tally list is counted with, so that a record's
// cost does not grow with the number of folders or exclusions. It mirrors the
// list's entries; when the list's size no longer matches, it re-reads the list.
class TallyIndex {
 public:
  // Exclusions are tested against excluded, which must outlive the index.
  explicit TallyIndex(const ExclusionSet &excluded) : excluded_(&excluded) {}

 private:
  friend void TallyFolder(FolderList &tally, TallyIndex &index, const LogRecord &record);

  void Rebuild(const FolderList &tally);
  [[nodiscard]] bool IsExcluded(std::u16string_view folder);
  // The entry of tally indexed under folder's folded form, or nullptr.
  [[nodiscard]] FolderEntry *Find(FolderList &tally, std::u16string_view folder);

  const ExclusionSet *excluded_;
  // ASCII-folded folder -> position of the first entry that holds it.
  std::unordered_map<WideString, std::size_t> positions_;
  std::size_t indexed_ = 0;  // entries of the list that positions_ covers
  // Answers for folder spellings the exclusion set can only decide by a scan.
  std::unordered_map<WideString, bool> slowExclusions_;
  WideString key_;       // reused buffer for the folded folder
  WideString spelling_;  // reused buffer for the folder as spelled
};

// The same result as TallyFolder(tally, record), with the lookups of index.
void TallyFolder(FolderList &tally, TallyIndex &index, const LogRecord &record);

// Moves up to three best entries out of source: appended to destination, or
// with persist written into "hotFolders" instead. Returns destination's
// count afterwards, or 0 when source was empty.
int SelectTop(FolderList &destination, FolderList &source, bool persist);

// Adds second into first: equal paths (case-sensitive) add hits, others append.
void MergeTopLists(FolderList &first, const FolderList &second);

}  // namespace hf
