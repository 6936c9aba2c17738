// The folder of a record and its count in a tally list.
#include "harvest/tally.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>


#if defined(__SSE2__)
#include <emmintrin.h>
#define HOTFOLDERS_SSE2 1
#endif

namespace hf {
namespace {

constexpr char16_t kListSeparator = u'|';

char16_t FoldAscii(char16_t unit) noexcept {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

void FoldInto(std::u16string_view text, WideString &out) {
  out.assign(text.begin(), text.end());
  for (char16_t &unit : out) unit = FoldAscii(unit);
}

// Puts (hash, value) into the first free slot from the hash's own in an
// open-addressed table of (hash, value) pairs, 0 marking a free slot; the
// table's size is a power of two and it has a free slot.
void PutSlot(std::vector<std::pair<std::uint64_t, std::size_t>> &table, std::uint64_t hash,
             std::size_t value) noexcept {
  const std::size_t mask = table.size() - 1;
  std::size_t i = static_cast<std::size_t>(hash) & mask;
  while (table[i].second != 0) i = (i + 1) & mask;
  table[i] = {hash, value};
}

// Raises a count by one; it stays at the largest 32-bit value instead of overflowing.
void AddHit(FolderEntry &entry) noexcept {
  if (entry.hits < std::numeric_limits<std::int32_t>::max()) ++entry.hits;
}

// True when a and b hold the same code units; eight units a step, the last
// step overlapping the one before, with no call for the usual folder lengths.
bool SameUnits(std::u16string_view a, std::u16string_view b) noexcept {
  const std::size_t size = a.size();
  if (size != b.size()) return false;
#if defined(HOTFOLDERS_SSE2)
  if (size >= 8) {
    const char16_t *const x = a.data();
    const char16_t *const y = b.data();
    const auto differs = [x, y](std::size_t at) {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + at));
      const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i *>(y + at));
      return _mm_movemask_epi8(_mm_cmpeq_epi8(p, q)) != 0xFFFF;
    };
    for (std::size_t at = 0; at + 8 < size; at += 8)
      if (differs(at)) return false;
    return !differs(size - 8);
  }
#endif
  return size == 0 || std::memcmp(a.data(), b.data(), size * sizeof(char16_t)) == 0;
}

// A hash of the code units, sixteen bytes a step in two independent lanes;
// only used within one process.
std::uint64_t HashUnits(std::u16string_view text) noexcept {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
  const std::size_t size = text.size() * sizeof(char16_t);
  std::size_t left = size;
  std::uint64_t first = kMultiplier ^ size;
  std::uint64_t second = 0xC2B2AE3D27D4EB4Full;
  for (; left >= 16; left -= 16, bytes += 16) {
    std::uint64_t words[2];
    std::memcpy(words, bytes, 16);
    first = (first ^ words[0]) * 0xFF51AFD7ED558CCDull;
    second = (second ^ words[1]) * 0xC4CEB9FE1A85EC53ull;
    first ^= first >> 29;
    second ^= second >> 31;
  }
  if (left > 0) {
    // The last eight (or sixteen) bytes of the text, overlapping words
    // already taken; a text shorter than eight bytes is read whole.
    std::uint64_t word = 0;
    if (size >= 8) {
      if (left > 8) {
        std::memcpy(&word, bytes, 8);
        first = (first ^ word) * 0xFF51AFD7ED558CCDull;
      }
      std::memcpy(&word, bytes + left - 8, 8);
    } else {
      for (std::size_t i = 0; i < left; ++i) word |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    }
    second = (second ^ word) * 0xC4CEB9FE1A85EC53ull;
  }
  std::uint64_t hash = first ^ (second >> 17) ^ (second << 47);
  hash ^= hash >> 32;
  hash *= kMultiplier;
  return hash ^ (hash >> 29);
}

}  // namespace

bool EqualsFoldingAscii(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

void TallyIndex::Rebuild(const FolderList &tally) {
  std::fill(folded_.begin(), folded_.end(), std::pair<std::uint64_t, std::size_t>{0, 0});
  foldedCount_ = 0;
  spellings_.clear();
  std::fill(slots_.begin(), slots_.end(), std::pair<std::uint64_t, std::size_t>{0, 0});
  std::fill(quick_.begin(), quick_.end(), 0u);
  indexed_ = 0;
  for (std::size_t position = 0; position < tally.Count(); ++position) {
    const std::u16string_view path = tally.At(position).path;
    // Keeps the first of the entries that are equal once folded.
    if (FindPosition(tally, path) == kNotFound) AddPosition(foldedHash_, position);
    ++indexed_;
  }
}

std::size_t TallyIndex::FindPosition(const FolderList &tally, std::u16string_view folder) {
  FoldInto(folder, key_);
  foldedHash_ = HashUnits(key_);
  if (folded_.empty()) return kNotFound;
  const std::size_t mask = folded_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(foldedHash_) & mask;; i = (i + 1) & mask) {
    const auto &slot = folded_[i];
    if (slot.second == 0) return kNotFound;
    if (slot.first != foldedHash_) continue;
    const std::size_t position = slot.second - 1;
    if (position < tally.Count() && EqualsFoldingAscii(tally.At(position).path, folder)) return position;
  }
}

void TallyIndex::AddPosition(std::uint64_t hash, std::size_t position) {
  // At most half the slots are used; the table holds hashes and positions
  // only, the folder's text being the tally entry's own.
  if ((foldedCount_ + 1) * 2 > folded_.size()) {
    std::vector<std::pair<std::uint64_t, std::size_t>> grown(folded_.empty() ? 64 : folded_.size() * 2);
    for (const auto &slot : folded_) {
      if (slot.second == 0) continue;
      PutSlot(grown, slot.first, slot.second);
    }
    folded_.swap(grown);
  }
  PutSlot(folded_, hash, position + 1);
  ++foldedCount_;
}

TallyIndex::Spelling *TallyIndex::FindSpelling(std::u16string_view folder, std::uint64_t hash) noexcept {
  if (slots_.empty()) return nullptr;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
    const auto &slot = slots_[i];
    if (slot.second == 0) return nullptr;
    if (slot.first != hash) continue;
    Spelling &spelling = spellings_[slot.second - 1];
    if (SameUnits(spelling.text, folder)) return &spelling;
  }
}

void TallyIndex::AddSpelling(std::u16string_view folder, std::uint64_t hash, std::size_t position) {
  spellings_.push_back(Spelling{WideString(folder), position});
  // At most a quarter of the slots are used, so a probe ends at once at a
  // free slot or the right one, nearly always.
  if (spellings_.size() * 4 > slots_.size()) {
    std::vector<std::pair<std::uint64_t, std::size_t>> grown(slots_.empty() ? 64 : slots_.size() * 2);
    for (std::size_t number = 0; number < spellings_.size(); ++number) {
      PutSlot(grown, HashUnits(spellings_[number].text), number + 1);
    }
    slots_.swap(grown);
    return;
  }
  PutSlot(slots_, hash, spellings_.size());
}

void TallyIndex::CountNewSpelling(FolderList &tally, std::u16string_view folder, std::uint64_t hash) {
  // Asked once per spelling: the answer is kept with the spelling. A folder
  // holding the list's separator "|" could not be stored as it is (it would
  // read back as other entries, with counts of the log's choosing), so it is
  // never counted; no Windows file name holds one.
  if (folder.find(kListSeparator) != std::u16string_view::npos || excluded_->Contains(WideString(folder))) {
    AddSpelling(folder, hash, kExcludedSpelling);
    return;
  }
  std::size_t position = FindPosition(tally, folder);
  if (position == kNotFound) {
    tally.Append(FolderEntry{WideString(folder), 1});
    position = tally.Count() - 1;
    // Count the entry as indexed only once the index holds it, so a failure in
    // between leaves a mismatch that the next call repairs.
    AddPosition(foldedHash_, position);
    indexed_ = tally.Count();
  } else {
    AddHit(tally.At(position));
  }
  AddSpelling(folder, hash, position);
}

void TallyFolder(FolderList &tally, TallyIndex &index, std::u16string_view objectPath) {
  TallyFolderOf(tally, index, FolderOf(objectPath));
}

void TallyHeldPath(FolderList &tally, TallyIndex &index, const char16_t *objectPath) {
  TallyFolderOf(tally, index, FolderOfText(objectPath));
}

std::uint32_t &TallyIndex::QuickSlot(std::u16string_view folder) {
  if (quick_.empty()) quick_.assign(kQuickSlots, 0);
  // The length and the first and last four units: enough to tell most
  // folders apart, and a slot shared by several only costs a miss.
  std::uint64_t head = 0;
  std::uint64_t tail = 0;
  const std::size_t size = folder.size();
  if (size >= 4) {
    std::memcpy(&head, folder.data(), sizeof head);
    std::memcpy(&tail, folder.data() + size - 4, sizeof tail);
  } else if (size > 0) {
    std::memcpy(&head, folder.data(), size * sizeof(char16_t));
  }
  std::uint64_t key = (head ^ (tail * 0x9E3779B97F4A7C15ull) ^ size) * 0xFF51AFD7ED558CCDull;
  key ^= key >> 32;
  return quick_[static_cast<std::size_t>(key) & (kQuickSlots - 1)];
}

void TallyFolderOf(FolderList &tally, TallyIndex &index, std::u16string_view folder) {
  if (index.indexed_ != tally.Count()) index.Rebuild(tally);
  // A spelling met recently is found through its quick slot, without hashing
  // the whole folder; otherwise through the full hash.
  std::uint32_t &quick = index.QuickSlot(folder);
  TallyIndex::Spelling *known = nullptr;
  if (quick != 0 && SameUnits(index.spellings_[quick - 1].text, folder)) known = &index.spellings_[quick - 1];
  std::uint64_t hash = 0;
  bool hashed = false;
  if (known == nullptr) {
    hash = HashUnits(folder);
    hashed = true;
    known = index.FindSpelling(folder, hash);
    if (known != nullptr) quick = static_cast<std::uint32_t>(known - index.spellings_.data()) + 1;
  }
  if (known != nullptr) {
    if (known->position == TallyIndex::kExcludedSpelling) return;
    FolderEntry &entry = tally.At(known->position);
    if (entry.path.data() == known->entryText && entry.path.size() == folder.size()) {
      AddHit(entry);
      return;
    }
    if (SameUnits(entry.path, folder) || EqualsFoldingAscii(entry.path, folder)) {
      known->entryText = entry.path.data();
      AddHit(entry);
      return;
    }
    // The list was changed behind the index's back: read it again.
    index.Rebuild(tally);
  }
  if (!hashed) hash = HashUnits(folder);
  index.CountNewSpelling(tally, folder, hash);
  index.QuickSlot(folder) = static_cast<std::uint32_t>(index.spellings_.size());
}

}  // namespace hf
