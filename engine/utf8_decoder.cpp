// UTF-8 decoding with an ASCII fast path: runs of plain ASCII are widened
// sixteen bytes at a time (SSE2, part of every x86-64) or eight at a time;
// only other bytes take the checked path.
#include "utf8_decoder.h"

#include <cstdint>
#include <cstring>

#include "simd.h"

namespace morvex {
namespace {

using Unit = hf::NativeChar16;
constexpr Unit kReplacement = static_cast<Unit>(0xFFFD);
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kLowBits = 0x0101010101010101ull;

// True when the eight bytes are all ASCII and none is NUL.
inline bool PlainAscii(std::uint64_t v) noexcept {
  const std::uint64_t hasZero = (v - kLowBits) & ~v & kHighBits;
  return ((v & kHighBits) | hasZero) == 0;
}

inline bool IsContinuation(unsigned char b) noexcept { return (b & 0xC0) == 0x80; }

// Writes eight ASCII bytes as eight units.
inline void Widen8(const unsigned char *in, Unit *out) noexcept {
#if defined(MORVEX_SSE2)
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
  for (int i = 0; i < 8; ++i) out[i] = static_cast<Unit>(in[i]);
#endif
}

#if defined(MORVEX_SSE2)
// True when the sixteen bytes are all ASCII and none is NUL.
inline bool Plain16(const unsigned char *in) noexcept {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
  return (_mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()))) == 0;
}

// Plain16, and then the bytes widened to out (x86 stores the units
// little-endian, as UTF-16 is held in memory).
inline bool WidenPlain16(const unsigned char *in, Unit *out) noexcept {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
  if ((_mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero))) != 0) return false;
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_unpackhi_epi8(bytes, zero));
  return true;
}
#endif

}  // namespace

std::size_t DecodeUtf8(const char *in, std::size_t size, Unit *out) noexcept {
  const auto *p = reinterpret_cast<const unsigned char *>(in);
  const unsigned char *const end = p + size;
  Unit *const start = out;
#if defined(MORVEX_SSE2)
  // A short text of plain ASCII: its first and its last eight bytes cover it.
  if (size >= 8 && size < 16) {
    std::uint64_t head, tail;
    std::memcpy(&head, p, 8);
    std::memcpy(&tail, end - 8, 8);
    if (PlainAscii(head) && PlainAscii(tail)) {
      Widen8(p, out);
      Widen8(end - 8, out + size - 8);
      return size;
    }
  }
  // When the last sixteen bytes are plain ASCII, the rest of the text is
  // widened in one step once fewer than sixteen bytes are left: the step
  // starts before p and rewrites units already written (from ASCII bytes, one
  // unit each) with the same values.
  const bool plainTail = size >= 16 && Plain16(end - 16);
#endif
  while (p < end) {
#if defined(MORVEX_SSE2)
    while (end - p >= 16 && WidenPlain16(p, out)) {
      p += 16;
      out += 16;
    }
    if (plainTail && end - p <= 16) {
      const std::ptrdiff_t left = end - p;
      static_cast<void>(WidenPlain16(end - 16, out + left - 16));
      out += left;
      break;
    }
#endif
    while (end - p >= 8) {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      if (!PlainAscii(v)) break;
      Widen8(p, out);
      p += 8;
      out += 8;
    }
    if (p >= end) break;
    unsigned char lead = *p;
    if (lead < 0x80) {
      // A short run of ASCII one byte at a time; after at most sixteen the
      // wide steps are tried again.
      const unsigned char *const stop = end - p > 16 ? p + 16 : end;
      do {
        *out++ = *p == 0 ? kReplacement : static_cast<Unit>(*p);
        ++p;
      } while (p < stop && *p < 0x80);
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && IsContinuation(p[1])) {
      // Two-byte sequences (Latin, Greek and Cyrillic letters), as many as
      // come in a row; the general path below gives the same units.
      do {
        *out++ = static_cast<Unit>(((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu));
        p += 2;
      } while (end - p >= 2 && (lead = *p) >= 0xC2 && lead <= 0xDF && IsContinuation(p[1]));
      continue;
    }
    // The valid range of the second byte depends on the lead byte; this rules
    // out overlong forms, encoded surrogates and values beyond U+10FFFF.
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    std::uint32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      *out++ = kReplacement;
      ++p;
      continue;
    }
    std::size_t taken = 1;
    bool complete = true;
    for (; taken < length; ++taken) {
      if (p + taken >= end) {
        complete = false;
        break;
      }
      const unsigned char b = p[taken];
      const bool ok = taken == 1 ? (b >= low && b <= high) : IsContinuation(b);
      if (!ok) {
        complete = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    p += taken;
    if (!complete) {
      *out++ = kReplacement;
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      *out++ = static_cast<Unit>(0xD800 + (cp >> 10));
      *out++ = static_cast<Unit>(0xDC00 + (cp & 0x3FF));
    } else {
      *out++ = static_cast<Unit>(cp);
    }
  }
  return static_cast<std::size_t>(out - start);
}

}  // namespace morvex
