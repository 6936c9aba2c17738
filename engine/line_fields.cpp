// Plain ASCII fields, by far the most common, are split and widened sixteen
// bytes a step: one compare finds the tabs, the same bytes are stored as units.
// Fields with other bytes are decoded part by part once the tab is known.
#include "line_fields.h"

#include <cstdint>
#include <cstring>

#include "simd.h"
#include "utf8_decoder.h"

namespace morvex {
namespace {

using Unit = hf::NativeChar16;

// Decodes the two parts at the tab. widened is the first byte that is not
// plain ASCII: the units before it are already widened in place and kept.
bool DecodeParts(const char *fields, std::size_t size, std::size_t tab, std::size_t widened, Unit *out,
                 FieldTexts *texts) noexcept {
  std::size_t pathLength = tab;
  if (widened < tab) pathLength = widened + DecodeUtf8(fields + widened, tab - widened, out + widened);
  out[pathLength] = 0;
  Unit *const second = out + pathLength + 1;
  // A path shortened by decoding moves the second text; else its plain start
  // is in place too.
  const std::size_t from = pathLength == tab && widened > tab + 1 ? widened - tab - 1 : 0;
  second[from + DecodeUtf8(fields + tab + 1 + from, size - tab - 1 - from, second + from)] = 0;
  texts->secondOffset = pathLength + 1;
  return true;
}

#if defined(MORVEX_SSE2)
// The position of the first byte that is not plain ASCII, or NUL; there is one.
std::size_t FirstOther(const char *fields, std::size_t size) noexcept {
  const __m128i zero = _mm_setzero_si128();
  for (std::size_t i = 0;; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(fields + i));
    const auto marked = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, zero))));
    if (marked != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(marked));
      return at < size ? at : size;
    }
  }
}
#endif

}  // namespace

bool SplitFields(const char *fields, std::size_t size, Unit *out, FieldTexts *texts) noexcept {
#if defined(MORVEX_SSE2)
  constexpr std::size_t kNone = ~std::size_t{0};
  const __m128i zero = _mm_setzero_si128();
  const __m128i tabs = _mm_set1_epi8('\t');
  std::size_t tab = kNone;
  // Bytes that are not plain ASCII (high bit set) or NUL (all bits set after
  // the compare), gathered over every step and looked at once.
  __m128i other = zero;
  std::size_t i = 0;
  for (;; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(fields + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, tabs)));
    __m128i flagged = _mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, zero));
    const bool last = size - i <= 16;
    if (last) {
      // Only the bytes of the fields count in the last step.
      const unsigned valid = (1u << (size - i)) - 1u;
      found &= valid;
      const __m128i lanes = _mm_cmplt_epi8(
          _mm_set_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0),
          _mm_set1_epi8(static_cast<char>(size - i)));
      flagged = _mm_and_si128(flagged, lanes);
    }
    other = _mm_or_si128(other, flagged);
    if (found != 0) {
      if (tab != kNone || (found & (found - 1)) != 0) return false;
      tab = i + static_cast<std::size_t>(__builtin_ctz(found));
    }
    if (last) break;
  }
  if (tab == kNone) return false;
  if (_mm_movemask_epi8(other) != 0) return DecodeParts(fields, size, tab, FirstOther(fields, size), out, texts);
  out[tab] = 0;
  out[size] = 0;
  texts->secondOffset = tab + 1;
  return true;
#else
  const auto *found = static_cast<const char *>(std::memchr(fields, '\t', size));
  if (found == nullptr) return false;
  const auto tab = static_cast<std::size_t>(found - fields);
  if (std::memchr(found + 1, '\t', size - tab - 1) != nullptr) return false;
  return DecodeParts(fields, size, tab, 0, out, texts);
#endif
}

}  // namespace morvex
