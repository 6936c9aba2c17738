// The folder of a record and its count in a tally list.
#include "harvest/tally.h"

#include <cstdint>
#include <limits>

#include "store/folder_store.h"

namespace hf {
namespace {

constexpr std::u16string_view kArchiveMark = u"->";

char16_t FoldAscii(char16_t unit) noexcept {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

void FoldInto(std::u16string_view text, WideString &out) {
  out.assign(text.begin(), text.end());
  for (char16_t &unit : out) unit = FoldAscii(unit);
}

// Raises a count by one; it stays at the largest 32-bit value instead of overflowing.
void AddHit(FolderEntry &entry) noexcept {
  if (entry.hits < std::numeric_limits<std::int32_t>::max()) ++entry.hits;
}

}  // namespace

std::u16string_view FolderOf(std::u16string_view objectPath) noexcept {
  std::u16string_view outer = objectPath.substr(0, objectPath.find(kArchiveMark));
  const std::size_t slash = outer.rfind(u'\\');
  if (slash == std::u16string_view::npos) return {};
  return outer.substr(0, slash + 1);
}

bool EqualsFoldingAscii(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

void TallyFolder(FolderList &tally, const LogRecord &record) {
  const WideString folder(FolderOf(record.objectPath));
  if (IsExcluded(folder.c_str()) != 0) return;
  for (std::size_t i = 0; i < tally.Count(); ++i) {
    FolderEntry &entry = tally.At(i);
    if (EqualsFoldingAscii(entry.path, folder)) {
      AddHit(entry);
      return;
    }
  }
  tally.Append(FolderEntry{folder, 1});
}

void TallyIndex::Rebuild(const FolderList &tally) {
  positions_.clear();
  indexed_ = 0;
  for (const FolderEntry &entry : tally) {
    FoldInto(entry.path, key_);
    positions_.emplace(key_, indexed_);  // keeps the first of equal folders
    ++indexed_;
  }
}

bool TallyIndex::IsExcluded(std::u16string_view folder) {
  spelling_.assign(folder.begin(), folder.end());
  if (excluded_->IsQuick(folder)) return excluded_->Contains(spelling_);
  auto cached = slowExclusions_.find(spelling_);
  if (cached != slowExclusions_.end()) return cached->second;
  const bool excluded = excluded_->Contains(spelling_);
  slowExclusions_.emplace(spelling_, excluded);
  return excluded;
}

FolderEntry *TallyIndex::Find(FolderList &tally, std::u16string_view folder) {
  FoldInto(folder, key_);
  auto found = positions_.find(key_);
  if (found == positions_.end()) return nullptr;
  return &tally.At(found->second);
}

void TallyFolder(FolderList &tally, TallyIndex &index, const LogRecord &record) {
  const std::u16string_view folder = FolderOf(record.objectPath);
  if (index.IsExcluded(folder)) return;
  if (index.indexed_ != tally.Count()) index.Rebuild(tally);
  FolderEntry *entry = index.Find(tally, folder);
  if (entry != nullptr && !EqualsFoldingAscii(entry->path, folder)) {
    // The list was changed behind the index's back: read it again.
    index.Rebuild(tally);
    entry = index.Find(tally, folder);
  }
  if (entry != nullptr) {
    AddHit(*entry);
    return;
  }
  tally.Append(FolderEntry{WideString(folder), 1});
  // Count the entry as indexed only once the index holds it, so a failure in
  // between leaves a mismatch that the next call repairs.
  index.positions_.emplace(index.key_, tally.Count() - 1);
  index.indexed_ = tally.Count();
}

}  // namespace hf
