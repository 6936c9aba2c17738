// The folder of a record and its count in a tally list.
#include "harvest/tally.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#define HOTFOLDERS_SSE2 1
#endif

// The steps of counting a known folder are kept inline in the count: as calls
// (the compiler's own choice) they made the whole rebuild measurably slower.
#if defined(__GNUC__)
#define HOTFOLDERS_INLINE inline __attribute__((always_inline))
#else
#define HOTFOLDERS_INLINE inline
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

// Raises a count by hits; it stays at the largest 32-bit value instead of
// overflowing.
void AddHits(FolderEntry &entry, std::uint64_t hits) noexcept {
  constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
  if (entry.hits >= kMost) return;
  const std::int64_t raised = entry.hits + static_cast<std::int64_t>(std::min<std::uint64_t>(hits, kMost));
  entry.hits = static_cast<std::int32_t>(std::min(raised, kMost));
}

// True when the size units from x and from y are the same. Folders of eight
// to 48 units take six fixed steps of eight units, the later ones moved back
// to end at the last unit, so their cost does not branch on the length (most
// folders are 20 to 40 units long); a longer one takes a step more for every
// eight units.
HOTFOLDERS_INLINE bool SameUnits(const char16_t *x, const char16_t *y, std::size_t size) noexcept {
#if defined(HOTFOLDERS_SSE2)
  if (size >= 8) {
    const std::size_t last = size - 8;
    const auto differences = [x, y](std::size_t at) {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + at));
      const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i *>(y + at));
      return _mm_xor_si128(p, q);
    };
    __m128i any = _mm_or_si128(_mm_or_si128(differences(0), differences(std::min<std::size_t>(8, last))),
                               _mm_or_si128(differences(std::min<std::size_t>(16, last)), differences(last)));
    any = _mm_or_si128(any, _mm_or_si128(differences(std::min<std::size_t>(24, last)),
                                         differences(std::min<std::size_t>(32, last))));
    if (size > 48) {
      for (std::size_t at = 40; at < size; at += 8) any = _mm_or_si128(any, differences(std::min(at, last)));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
  }
#endif
  return size == 0 || std::memcmp(x, y, size * sizeof(char16_t)) == 0;
}

bool SameUnits(std::u16string_view a, std::u16string_view b) noexcept {
  return a.size() == b.size() && SameUnits(a.data(), b.data(), a.size());
}

// A cheap key of a folder: its length and its first, middle and last four
// units, taken without a loop; enough to tell most folders apart.
HOTFOLDERS_INLINE std::uint64_t QuickKey(std::u16string_view folder) noexcept {
  std::uint64_t words[3] = {0, 0, 0};
  const char16_t *units = folder.data();
  const std::size_t size = folder.size();
  if (size >= 4) {
    std::memcpy(&words[0], units, 8);
    std::memcpy(&words[1], units + size / 2 - 2, 8);
    std::memcpy(&words[2], units + size - 4, 8);
  } else if (size > 0) {
    std::memcpy(words, units, size * sizeof(char16_t));
  }
  const std::uint64_t key = (words[0] * 0x9E3779B97F4A7C15ull) ^ (words[1] * 0xFF51AFD7ED558CCDull) ^
                            ((words[2] + size) * 0xC4CEB9FE1A85EC53ull);
  return key ^ (key >> 29);
}

// A spelling record's head block: its held hits, its number of units and its number.
constexpr std::size_t kBlockUnits = 8;
constexpr std::size_t kHitsAt = 0;
constexpr std::size_t kSizeAt = 4;
constexpr std::size_t kNumberAt = 6;
constexpr std::size_t kMostUnits = std::numeric_limits<std::uint32_t>::max();

std::uint64_t HeldHits(const char16_t *head) noexcept {
  std::uint64_t hits;
  std::memcpy(&hits, head + kHitsAt, sizeof hits);
  return hits;
}

void SetHeldHits(char16_t *head, std::uint64_t hits) noexcept { std::memcpy(head + kHitsAt, &hits, sizeof hits); }

std::uint32_t HeadField(const char16_t *head, std::size_t at) noexcept {
  std::uint32_t value;
  std::memcpy(&value, head + at, sizeof value);
  return value;
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


void TallyIndex::Rebuild(FolderList &tally) {
  // Hits held for the old entries go to them first.
  Flush(tally);
  std::fill(folded_.begin(), folded_.end(), std::pair<std::uint64_t, std::size_t>{0, 0});
  foldedCount_ = 0;
  spellings_.clear();
  texts_.clear();
  held_.clear();
  std::fill(slots_.begin(), slots_.end(), std::pair<std::uint64_t, std::size_t>{0, 0});
  quick_.clear();
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

std::u16string_view TallyIndex::SpellingText(std::size_t record) const noexcept {
  const char16_t *head = texts_.data() + record;
  return std::u16string_view(head + kBlockUnits, HeadField(head, kSizeAt));
}

std::size_t TallyIndex::FindSpelling(std::u16string_view folder, std::uint64_t hash) const noexcept {
  if (slots_.empty()) return kNotFound;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
    const auto &slot = slots_[i];
    if (slot.second == 0) return kNotFound;
    if (slot.first != hash) continue;
    const std::size_t number = slot.second - 1;
    if (SameUnits(SpellingText(spellings_[number].record), folder)) return number;
  }
}

std::size_t TallyIndex::AddSpelling(std::u16string_view folder, std::uint64_t hash, std::size_t position) {
  // The record's place is named by a 32-bit block number in the quick slots.
  const std::size_t record = texts_.size();
  const std::size_t blocks = 1 + (folder.size() + kBlockUnits - 1) / kBlockUnits;
  if (folder.size() > kMostUnits || record / kBlockUnits + blocks >= kMostUnits) throw std::bad_alloc();
  const std::size_t number = spellings_.size();
  // Room for every spelling in held_ too, so that counting never allocates.
  if (held_.capacity() <= number) held_.reserve(std::max<std::size_t>(64, 2 * number));
  texts_.resize(record + blocks * kBlockUnits, u'\0');
  const auto size = static_cast<std::uint32_t>(folder.size());
  const auto numbered = static_cast<std::uint32_t>(number);
  std::memcpy(&texts_[record + kSizeAt], &size, sizeof size);
  std::memcpy(&texts_[record + kNumberAt], &numbered, sizeof numbered);
  std::copy(folder.begin(), folder.end(), texts_.begin() + static_cast<std::ptrdiff_t>(record + kBlockUnits));
  spellings_.push_back(Spelling{position, nullptr, record});
  // At most a quarter of the slots are used, so a probe ends at once at a
  // free slot or the right one, nearly always.
  if (spellings_.size() * 4 > slots_.size()) {
    std::vector<std::pair<std::uint64_t, std::size_t>> grown(slots_.empty() ? 64 : slots_.size() * 2);
    for (std::size_t known = 0; known < spellings_.size(); ++known) {
      PutSlot(grown, HashUnits(SpellingText(spellings_[known].record)), known + 1);
    }
    slots_.swap(grown);
  } else {
    PutSlot(slots_, hash, number + 1);
  }
  return number;
}

std::size_t TallyIndex::CountNewSpelling(FolderList &tally, std::u16string_view folder, std::uint64_t hash) {
  // Asked once per spelling: the answer is kept with the spelling. A folder
  // holding the list's separator "|" could not be stored as it is (it would
  // read back as other entries, with counts of the log's choosing), so it is
  // never counted; no Windows file name holds one.
  if (folder.find(kListSeparator) != std::u16string_view::npos || excluded_->Contains(WideString(folder)))
    return AddSpelling(folder, hash, kExcludedSpelling);
  std::size_t position = FindPosition(tally, folder);
  if (position == kNotFound) {
    tally.Append(FolderEntry{WideString(folder), 1});
    position = tally.Count() - 1;
    // Count the entry as indexed only once the index holds it, so a failure in
    // between leaves a mismatch that the next call repairs.
    AddPosition(foldedHash_, position);
    indexed_ = tally.Count();
  } else {
    AddHits(tally.At(position), 1);
  }
  return AddSpelling(folder, hash, position);
}

HOTFOLDERS_INLINE void TallyIndex::HoldHit(std::size_t record) {
  char16_t *head = texts_.data() + record;
  const std::uint64_t hits = HeldHits(head);
  // Room for every spelling was reserved when it was added.
  if (hits == 0) held_.push_back(HeadField(head, kNumberAt));
  SetHeldHits(head, hits + 1);
}

void TallyIndex::AddHeldHits(FolderList &tally, Spelling &spelling, std::uint64_t hits) {
  const std::u16string_view folder = SpellingText(spelling.record);
  if (spelling.position < tally.Count()) {
    FolderEntry &entry = tally.At(spelling.position);
    if ((entry.path.data() == spelling.entryText && entry.path.size() == folder.size()) ||
        SameUnits(entry.path, folder) || EqualsFoldingAscii(entry.path, folder)) {
      spelling.entryText = entry.path.data();
      AddHits(entry, hits);
      return;
    }
  }
  // The list was changed behind the index's back: the first entry that holds
  // the folder gains the hits, else it is appended, and the index reads the
  // list again before the next count.
  indexed_ = kNotFound;
  for (std::size_t position = 0; position < tally.Count(); ++position) {
    FolderEntry &entry = tally.At(position);
    if (EqualsFoldingAscii(entry.path, folder)) {
      AddHits(entry, hits);
      return;
    }
  }
  FolderEntry added{WideString(folder), 0};
  AddHits(added, hits);
  tally.Append(std::move(added));
}

void TallyIndex::Flush(FolderList &tally) {
  // In the order the spellings were first held, so that entries appended
  // here keep the order the folders came in.
  for (std::size_t next = 0; next < held_.size(); ++next) {
    Spelling &spelling = spellings_[held_[next]];
    char16_t *head = texts_.data() + spelling.record;
    const std::uint64_t hits = HeldHits(head);
    SetHeldHits(head, 0);
    if (spelling.position == kExcludedSpelling) continue;
    try {
      AddHeldHits(tally, spelling, hits);
    } catch (...) {
      // No room for an appended entry: the spellings not yet added are dropped
      // from held_, their hits kept for the next flush.
      held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(next + 1));
      throw;
    }
  }
  held_.clear();
}

void TallyIndex::Count(FolderList &tally, std::u16string_view folder, std::uint64_t key) {
  if (indexed_ != tally.Count()) Rebuild(tally);
  // A known spelling is found through the quick slots, without hashing the
  // whole folder; a new one, or one the quick slots could not take, through
  // the full hash.
  const auto tag = static_cast<std::uint32_t>(key);
  const std::size_t mask = quick_.size() - 1;
  std::size_t at = static_cast<std::size_t>(key >> 32);
  for (std::size_t probe = 0; probe < kQuickProbes && !quick_.empty(); ++probe, ++at) {
    const QuickSlot slot = quick_[at & mask];
    if (slot.record == 0) break;
    if (slot.tag != tag) continue;
    const std::size_t record = (slot.record - 1) * kBlockUnits;
    const char16_t *head = texts_.data() + record;
    if (HeadField(head, kSizeAt) == folder.size() && SameUnits(head + kBlockUnits, folder.data(), folder.size())) {
      HoldHit(record);
      return;
    }
  }
  CountSlowly(tally, folder, key);
}

void TallyIndex::FetchQuickSlot(std::uint64_t key) const noexcept {
#if defined(__GNUC__)
  if (!quick_.empty()) __builtin_prefetch(&quick_[static_cast<std::size_t>(key >> 32) & (quick_.size() - 1)]);
#else
  static_cast<void>(key);
#endif
}

void TallyIndex::PutQuick(std::uint64_t key, std::size_t record) noexcept {
  const std::size_t mask = quick_.size() - 1;
  std::size_t at = static_cast<std::size_t>(key >> 32);
  for (std::size_t probe = 0; probe < kQuickProbes; ++probe, ++at) {
    QuickSlot &slot = quick_[at & mask];
    if (slot.record == 0) {
      slot = QuickSlot{static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(record / kBlockUnits + 1)};
      return;
    }
  }
  // A run of slots this long is left as it is: the spelling is found the long way.
}

void TallyIndex::CountSlowly(FolderList &tally, std::u16string_view folder, std::uint64_t key) {
  const std::uint64_t hash = HashUnits(folder);
  std::size_t number = FindSpelling(folder, hash);
  if (number != kNotFound) {
    HoldHit(spellings_[number].record);
    return;
  }
  number = CountNewSpelling(tally, folder, hash);
  // At most a quarter of the quick slots are used, so that a known spelling
  // is nearly always in the first slot looked at.
  if ((number + 1) * 4 > quick_.size()) {
    std::vector<QuickSlot> grown(quick_.empty() ? 256 : quick_.size() * 2, QuickSlot{0, 0});
    quick_.swap(grown);
    for (const Spelling &spelling : spellings_) PutQuick(QuickKey(SpellingText(spelling.record)), spelling.record);
    return;
  }
  PutQuick(key, spellings_[number].record);
}

void TallyFolder(FolderList &tally, TallyIndex &index, std::u16string_view objectPath) {
  TallyFolderOf(tally, index, FolderOf(objectPath));
}

void TallyFolderOf(FolderList &tally, TallyIndex &index, std::u16string_view folder) {
  index.Count(tally, folder, QuickKey(folder));
  index.Flush(tally);
}

void CountHeldPath(FolderList &tally, TallyIndex &index, const char16_t *objectPath) {
  CountHeldFolder(tally, index, FolderOfText(objectPath));
}

void CountHeldFolder(FolderList &tally, TallyIndex &index, std::u16string_view folder) {
  index.Count(tally, folder, QuickKey(folder));
}

void CountHeldFolders(FolderList &tally, TallyIndex &index, const FolderCopy *folders, std::size_t count) {
  constexpr std::size_t kAtOnce = 16;
  std::uint64_t keys[kAtOnce];
  for (std::size_t first = 0; first < count; first += kAtOnce) {
    const std::size_t last = std::min(count, first + kAtOnce);
    for (std::size_t i = first; i < last; ++i) {
      keys[i - first] = QuickKey(folders[i].Folder());
      index.FetchQuickSlot(keys[i - first]);
    }
    for (std::size_t i = first; i < last; ++i) index.Count(tally, folders[i].Folder(), keys[i - first]);
  }
}

}  // namespace hf
