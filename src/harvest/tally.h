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
//
// A folder spelling met before gains its hit here, and Flush adds the hits to
// the list's entries: a known folder is counted without touching the list.
class TallyIndex {
 public:
  // Exclusions are tested against excluded, which must outlive the index.
  explicit TallyIndex(const ExclusionSet &excluded) : excluded_(&excluded) {}

  // Adds the hits held here to their entries of tally, each held at the
  // 32-bit limit. An entry that is no longer where it was (the list was
  // changed meanwhile) is looked for again, or appended.
  void Flush(FolderList &tally);

 private:
  friend void TallyFolderOf(FolderList &tally, TallyIndex &index, std::u16string_view folder);
  friend void CountHeldFolder(FolderList &tally, TallyIndex &index, std::u16string_view folder);
  friend void CountHeldFolders(FolderList &tally, TallyIndex &index, const FolderCopy *folders, std::size_t count);

  // What is known of one exact folder spelling: excluded, or the position of
  // the tally entry that counts it; its units and its hits not yet added to
  // the entry are kept in texts_.
  struct Spelling {
    std::size_t position;
    // The entry's text storage when last checked: while it stands unchanged,
    // the entry is taken to be the same without comparing texts.
    const char16_t *entryText;
    std::size_t record;  // where its record starts in texts_
  };
  // A slot of the quick table: part of a cheap key of the folder and its
  // record in texts_ (the record's block number + 1; 0: free). The texts are
  // compared, so keys shared by several folders only cost a comparison.
  struct QuickSlot {
    std::uint32_t tag;
    std::uint32_t record;
  };
  static constexpr std::size_t kExcludedSpelling = static_cast<std::size_t>(-1);
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
  static constexpr std::size_t kQuickProbes = 8;

  // Counts folder, whose quick key is key: a hit of a known spelling stays
  // here until Flush.
  void Count(FolderList &tally, std::u16string_view folder, std::uint64_t key);
  // Starts to fetch the quick slot of key, which a count will soon read.
  void FetchQuickSlot(std::uint64_t key) const noexcept;
  void CountSlowly(FolderList &tally, std::u16string_view folder, std::uint64_t key);
  // Puts a spelling's record into the quick slots under its key, unless the
  // slots from the key's own are taken as far as a probe looks.
  void PutQuick(std::uint64_t key, std::size_t record) noexcept;
  void Rebuild(FolderList &tally);
  // Position of the first entry of tally equal to folder once folded, or
  // kNotFound; leaves folder's folded hash in foldedHash_.
  [[nodiscard]] std::size_t FindPosition(const FolderList &tally, std::u16string_view folder);
  void AddPosition(std::uint64_t hash, std::size_t position);
  // The number of folder's spelling record, or kNotFound when it was not seen yet.
  [[nodiscard]] std::size_t FindSpelling(std::u16string_view folder, std::uint64_t hash) const noexcept;
  // Records a spelling; returns its number.
  std::size_t AddSpelling(std::u16string_view folder, std::uint64_t hash, std::size_t position);
  // Counts a folder spelling met for the first time; returns its number.
  std::size_t CountNewSpelling(FolderList &tally, std::u16string_view folder, std::uint64_t hash);
  // Adds a spelling's held hits to its entry of tally.
  void AddHeldHits(FolderList &tally, Spelling &spelling, std::uint64_t hits);
  // Adds one hit to the spelling whose record starts at record; at its first
  // the spelling joins held_.
  void HoldHit(std::size_t record);
  // The units of the spelling whose record starts at record.
  [[nodiscard]] std::u16string_view SpellingText(std::size_t record) const noexcept;

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
  // Each spelling's record, in blocks of eight units: a head block (the hits
  // held: 64 bits; the number of units: 32 bits; the spelling's number: 32
  // bits), then its units, the last block filled up with zeros. One place
  // holds all a known folder's count needs.
  std::vector<char16_t> texts_;
  // The spellings whose held hits are not 0.
  std::vector<std::size_t> held_;
  std::vector<QuickSlot> quick_;
  WideString key_;  // reused buffer for the folded folder
};

// Counts the record's folder in tally unless index's exclusions hold it or it
// holds a "|", which the stored list cannot carry: the
// first entry whose path equals the folder once A-Z are folded to a-z gains a
// hit (held at the 32-bit limit), else the folder is appended with one hit.
void TallyFolder(FolderList &tally, TallyIndex &index, std::u16string_view objectPath);
// The same for a folder already taken from its path.
void TallyFolderOf(FolderList &tally, TallyIndex &index, std::u16string_view folder);
inline void TallyFolder(FolderList &tally, TallyIndex &index, const LogRecord &record) {
  TallyFolder(tally, index, record.objectPath);
}
// The same for a NUL-terminated object path (null: empty) that the engine
// holds, except that a folder counted before gains its hit in index: tally
// has it after index.Flush(tally).
void CountHeldPath(FolderList &tally, TallyIndex &index, const char16_t *objectPath);
// The same for a folder already taken from its path.
void CountHeldFolder(FolderList &tally, TallyIndex &index, std::u16string_view folder);
// The same for count copied folders, in their order. Their keys are taken and
// their lookups started together, so that the lookups overlap.
void CountHeldFolders(FolderList &tally, TallyIndex &index, const FolderCopy *folders, std::size_t count);

}  // namespace hf
