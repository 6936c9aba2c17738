// The per-folder tally of one log: the folder of each record counted in a list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "harvest/folder_of.h"
#include "harvest/log_record.h"
#include "platform/types.h"
#include "store/exclusion_set.h"
#include "store/folder_list.h"

namespace hf {

// True when a and b are equal once the letters A-Z are folded to a-z; every
// other code unit must be identical.
[[nodiscard]] bool EqualsFoldingAscii(std::u16string_view a, std::u16string_view b) noexcept;

// The lookup structures one tally list is counted with, so that a record's
// cost does not grow with the number of folders or exclusions. It mirrors the
// list's entries; when the list's size no longer matches, it re-reads the list.
class TallyIndex {
 public:
  // Exclusions are tested against excluded, which must outlive the index.
  explicit TallyIndex(const ExclusionSet &excluded) : excluded_(&excluded) {}

 private:
  friend void TallyFolderOf(FolderList &tally, TallyIndex &index, std::u16string_view folder);

  // What is known of one exact folder spelling: excluded, or the position of
  // the tally entry that counts it.
  struct Spelling {
    WideString text;
    std::size_t position;
    // The entry's text storage when last checked: while it stands unchanged,
    // the entry is taken to be the same without comparing texts.
    const char16_t *entryText = nullptr;
  };
  static constexpr std::size_t kExcludedSpelling = static_cast<std::size_t>(-1);
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

  void Rebuild(const FolderList &tally);
  // Position of the first entry of tally equal to folder once folded, or
  // kNotFound; leaves folder's folded hash in foldedHash_.
  [[nodiscard]] std::size_t FindPosition(const FolderList &tally, std::u16string_view folder);
  void AddPosition(std::uint64_t hash, std::size_t position);
  // The spelling record of folder, or nullptr when it was not seen yet.
  [[nodiscard]] Spelling *FindSpelling(std::u16string_view folder, std::uint64_t hash) noexcept;
  void AddSpelling(std::u16string_view folder, std::uint64_t hash, std::size_t position);
  // Counts a folder spelling met for the first time.
  void CountNewSpelling(FolderList &tally, std::u16string_view folder, std::uint64_t hash);
  // The quick slot of folder: the number + 1 of the spelling last counted
  // there (0: none), which may be another folder's.
  [[nodiscard]] std::uint32_t &QuickSlot(std::u16string_view folder);

  const ExclusionSet *excluded_;
  // An open-addressed table of (hash of the ASCII-folded folder, position of
  // the first entry that holds it + 1); 0 is free.
  std::vector<std::pair<std::uint64_t, std::size_t>> folded_;
  std::size_t foldedCount_ = 0;
  std::uint64_t foldedHash_ = 0;  // of the folder FindPosition was last asked for
  std::size_t indexed_ = 0;       // entries of the list that folded_ covers
  // Exact spellings seen so far, found through an open-addressed table of
  // (hash, spelling number) slots, so a known folder is counted without a copy.
  std::vector<Spelling> spellings_;
  std::vector<std::pair<std::uint64_t, std::size_t>> slots_;  // number + 1; 0 is free
  // A direct-mapped table from a cheap key of the folder to a spelling number
  // + 1, checked by comparing the texts, so a folder counted recently needs
  // no hash of all its units; a clash only sends it the long way.
  static constexpr std::size_t kQuickSlots = 4096;
  std::vector<std::uint32_t> quick_;
  WideString key_;  // reused buffer for the folded folder
};

// Counts the record's folder in tally unless index's exclusions hold it or it
// holds a "|", which the stored list cannot carry: the
// first entry whose path equals the folder once A-Z are folded to a-z gains a
// hit (held at the 32-bit limit), else the folder is appended with one hit.
void TallyFolder(FolderList &tally, TallyIndex &index, std::u16string_view objectPath);
// The same for a NUL-terminated object path (null: empty) that the engine holds.
void TallyHeldPath(FolderList &tally, TallyIndex &index, const char16_t *objectPath);
// The same for a folder already taken from its path.
void TallyFolderOf(FolderList &tally, TallyIndex &index, std::u16string_view folder);
inline void TallyFolder(FolderList &tally, TallyIndex &index, const LogRecord &record) {
  TallyFolder(tally, index, record.objectPath);
}

}  // namespace hf
