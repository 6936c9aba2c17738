// The folder of an object path, found in one pass over its code units.
#include "harvest/folder_of.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define HOTFOLDERS_SSE2 1
#endif

// A NUL-terminated text is searched a whole aligned 16-byte block at a time,
// as the C library's own string functions do: such a block never reaches into
// another page, so the units it holds past the terminator are looked at but
// never used. Builds that check every byte read against its allocation
// (the address, memory and thread sanitizers) go unit by unit instead.
#if defined(HOTFOLDERS_SSE2) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define HOTFOLDERS_BLOCK_SCAN 1
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#undef HOTFOLDERS_BLOCK_SCAN
#endif
#endif
#endif

namespace hf {
namespace {

constexpr char16_t kArchiveMark[] = u"->";

#if defined(HOTFOLDERS_SSE2)
// The first "->" whose ">" is marked (two mask bits a unit) in the eight units
// from start; kNoMark when there is none.
constexpr std::size_t kNoMark = ~std::size_t{0};
std::size_t MarkAmong(const char16_t *units, std::size_t start, unsigned marks) noexcept {
  for (; marks != 0; marks &= marks - 1, marks &= marks - 1) {
    const std::size_t at = start + static_cast<std::size_t>(__builtin_ctz(marks)) / 2;
    if (at > 0 && units[at - 1] == kArchiveMark[0]) return at - 1;
  }
  return kNoMark;
}
#endif

// Where the outer path ends: at its first "->", else at its end.
std::size_t OuterSize(const char16_t *units, std::size_t size) noexcept {
#if defined(HOTFOLDERS_SSE2)
  const __m128i greater = _mm_set1_epi16(static_cast<short>(kArchiveMark[1]));
  if (size >= 8) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + i));
      const auto marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, greater)));
      if (marks != 0) {
        const std::size_t mark = MarkAmong(units, i, marks);
        if (mark != kNoMark) return mark;
      }
    }
    if (i < size) {
      // The last eight units, less those already searched.
      const std::size_t start = size - 8;
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + start));
      const unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, greater))) &
                             (~0u << (2 * (i - start)));
      const std::size_t mark = MarkAmong(units, start, marks);
      if (mark != kNoMark) return mark;
    }
    return size;
  }
#endif
  for (std::size_t i = 1; i < size; ++i)
    if (units[i] == kArchiveMark[1] && units[i - 1] == kArchiveMark[0]) return i - 1;
  return size;
}

// The folder of the outer path units[0, outer): up to and including its last
// backslash; empty when there is none.
std::u16string_view FolderBefore(const char16_t *units, std::size_t outer) noexcept {
  std::size_t end = outer;
#if defined(HOTFOLDERS_SSE2)
  const __m128i backslash = _mm_set1_epi16(static_cast<short>(u'\\'));
  for (; end >= 8; end -= 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + end - 8));
    const auto slashes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, backslash)));
    if (slashes != 0)
      return std::u16string_view(units, end - 8 + (31 - static_cast<std::size_t>(__builtin_clz(slashes))) / 2 + 1);
  }
#endif
  for (; end > 0; --end)
    if (units[end - 1] == u'\\') return std::u16string_view(units, end);
  return {};
}

#if defined(HOTFOLDERS_BLOCK_SCAN)
// The folder of a text whose outer path ends (at its terminator or its first
// "->") within the eight aligned blocks from its own, found without a branch
// on where its units fall: nullptr, with folder set. Otherwise the aligned
// block from which a search a block at a time goes on: the first, when the
// blocks would reach into the next page; the one after the eight, when they
// hold neither a terminator nor a "->". With kCopy, the eight blocks are
// also copied to copy, which is 16-byte aligned.
template <bool kCopy>
const char16_t *FolderInWindow(const char16_t *objectPath, std::u16string_view &folder,
                               [[maybe_unused]] char16_t *copy) noexcept {
  constexpr std::uintptr_t kPage = 4096;
  constexpr std::uintptr_t kWindowBytes = 128;
  const auto address = reinterpret_cast<std::uintptr_t>(objectPath);
  const std::uintptr_t base = address & ~std::uintptr_t{15};
  const auto *units = reinterpret_cast<const char16_t *>(base);
  if (base % kPage > kPage - kWindowBytes) return units;
  const __m128i dash = _mm_set1_epi8(static_cast<char>(kArchiveMark[0]));
  const __m128i greater = _mm_set1_epi8(static_cast<char>(kArchiveMark[1]));
  const __m128i backslash = _mm_set1_epi8('\\');
  // Terminators, dashes, ">" and backslashes, one bit a unit.
  std::uint64_t ends = 0;
  std::uint64_t dashes = 0;
  std::uint64_t marks = 0;
  std::uint64_t slashes = 0;
  for (int pair = 0; pair < 4; ++pair) {
    const __m128i first = _mm_load_si128(reinterpret_cast<const __m128i *>(units + 16 * pair));
    const __m128i second = _mm_load_si128(reinterpret_cast<const __m128i *>(units + 16 * pair + 8));
    if constexpr (kCopy) {
      _mm_store_si128(reinterpret_cast<__m128i *>(copy + 16 * pair), first);
      _mm_store_si128(reinterpret_cast<__m128i *>(copy + 16 * pair + 8), second);
    }
    // Sixteen units as one byte each, saturated: the units 0 to 127 keep their
    // value, every other unit becomes 127 or a byte below 0, and the units
    // looked for are all below 127.
    const __m128i bytes = _mm_packs_epi16(first, second);
    const auto bits = [bytes](__m128i unit) {
      return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, unit))));
    };
    ends |= bits(_mm_setzero_si128()) << (16 * pair);
    dashes |= bits(dash) << (16 * pair);
    marks |= bits(greater) << (16 * pair);
    slashes |= bits(backslash) << (16 * pair);
  }
  // The units before the text are left out; a ">" right after a "-" of the
  // text ends its outer path, and so does the terminator.
  const std::size_t skipped = (address - base) / sizeof(char16_t);
  const std::uint64_t text = ~std::uint64_t{0} << skipped;
  const std::uint64_t stops = (ends | (marks & ((dashes & text) << 1))) & text;
  if (stops == 0) return units + 64;
  // The backslashes before the first stop: the last of them ends the folder.
  slashes &= ((stops & (0 - stops)) - 1) & text;
  folder = std::u16string_view(objectPath, slashes == 0 ? 0 : static_cast<std::size_t>(64 - __builtin_clzll(slashes)) - skipped);
  return nullptr;
}

// The folder of a NUL-terminated text, searched a block at a time from block,
// the aligned block that holds its first unit or a later one that no "->"
// before it reaches.
std::u16string_view FolderFromBlock(const char16_t *objectPath, const char16_t *block) noexcept {
  const auto address = reinterpret_cast<std::uintptr_t>(objectPath);
  const __m128i zero = _mm_setzero_si128();
  const __m128i greater = _mm_set1_epi16(static_cast<short>(kArchiveMark[1]));
  // The units of the text's first block that come before it are left out.
  unsigned keep = block < objectPath ? ~0u << (address & 15) : ~0u;
  for (;; block += 8, keep = ~0u) {
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i *>(block));
    const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, zero))) & keep;
    unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, greater))) & keep;
    // Only the marks before the terminator belong to the text.
    if (ends != 0) marks &= (1u << __builtin_ctz(ends)) - 1;
    for (; marks != 0; marks &= marks - 1, marks &= marks - 1) {
      const char16_t *at = block + __builtin_ctz(marks) / 2;
      if (at > objectPath && at[-1] == kArchiveMark[0])
        return FolderBefore(objectPath, static_cast<std::size_t>(at - 1 - objectPath));
    }
    if (ends != 0)
      return FolderBefore(objectPath, static_cast<std::size_t>(block + __builtin_ctz(ends) / 2 - objectPath));
  }
}
#endif

}  // namespace

std::u16string_view FolderOf(std::u16string_view objectPath) noexcept {
  return FolderBefore(objectPath.data(), OuterSize(objectPath.data(), objectPath.size()));
}

std::u16string_view FolderOfText(const char16_t *objectPath) noexcept {
  if (objectPath == nullptr) return {};
#if defined(HOTFOLDERS_BLOCK_SCAN)
  // One pass finds both the terminator and the first "->".
  if (reinterpret_cast<std::uintptr_t>(objectPath) % sizeof(char16_t) == 0) {
    std::u16string_view folder;
    const char16_t *block = FolderInWindow<false>(objectPath, folder, nullptr);
    return block == nullptr ? folder : FolderFromBlock(objectPath, block);
  }
#endif
  return FolderOf(std::u16string_view(objectPath));
}

std::u16string_view CopyFolderOfText(const char16_t *objectPath, FolderCopy &copy) noexcept {
  std::u16string_view folder;
#if defined(HOTFOLDERS_BLOCK_SCAN)
  const auto address = reinterpret_cast<std::uintptr_t>(objectPath);
  if (objectPath != nullptr && address % sizeof(char16_t) == 0) {
    // The window's blocks are copied as they are searched.
    const char16_t *block = FolderInWindow<true>(objectPath, folder, copy.units);
    if (block == nullptr) {
      copy.start = static_cast<std::uint32_t>((address % 16) / sizeof(char16_t));
      copy.size = static_cast<std::uint32_t>(folder.size());
      return folder;
    }
    folder = FolderFromBlock(objectPath, block);
  } else {
    folder = FolderOfText(objectPath);
  }
#else
  folder = FolderOfText(objectPath);
#endif
  if (folder.size() <= FolderCopy::kUnits) {
    std::copy(folder.begin(), folder.end(), copy.units);
    copy.start = 0;
    copy.size = static_cast<std::uint32_t>(folder.size());
  }
  return folder;
}

}  // namespace hf
