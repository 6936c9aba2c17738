// UTF-8 decoding with an ASCII fast path: runs of plain ASCII are widened
// eight bytes at a time; only other bytes take the checked path.
#include "utf8_decoder.h"

#include <cstdint>
#include <cstring>

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

}  // namespace

std::size_t DecodeUtf8(const char *in, std::size_t size, Unit *out) noexcept {
  const auto *p = reinterpret_cast<const unsigned char *>(in);
  const unsigned char *const end = p + size;
  Unit *const start = out;
  while (p < end) {
    while (end - p >= 8) {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      if (!PlainAscii(v)) break;
      for (int i = 0; i < 8; ++i) out[i] = static_cast<Unit>(p[i]);
      p += 8;
      out += 8;
    }
    if (p >= end) break;
    const unsigned char lead = *p;
    if (lead < 0x80) {
      *out++ = lead == 0 ? kReplacement : static_cast<Unit>(lead);
      ++p;
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
