// Conversions between UTF-8 (the console and command line) and UTF-16 (the
// library's text).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hf::cli {

// Decodes well-formed UTF-8 into UTF-16; nullopt for any ill-formed sequence
// (truncated, overlong, surrogate code points, beyond U+10FFFF, stray bytes).
[[nodiscard]] std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Appends one Unicode scalar value to `out` as UTF-8.
void AppendUtf8(std::string &out, char32_t codePoint);

// Encodes UTF-16 as UTF-8, pairs combined; an unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// True when `unit` is a high (leading) surrogate.
[[nodiscard]] constexpr bool IsHighSurrogate(char16_t unit) noexcept {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

// True when `unit` is a low (trailing) surrogate.
[[nodiscard]] constexpr bool IsLowSurrogate(char16_t unit) noexcept {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Calls `visit(codePoint, paired)` for every code point of `text`; an unpaired
// surrogate is passed as itself with `paired` false.
template <typename Visit>
void ForEachCodePoint(std::u16string_view text, Visit &&visit) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char32_t high = unit - 0xD800u;
      const char32_t low = text[i + 1] - 0xDC00u;
      visit(static_cast<char32_t>(0x10000u + (high << 10) + low), true);
      ++i;
    } else {
      visit(static_cast<char32_t>(unit), !IsHighSurrogate(unit) && !IsLowSurrogate(unit));
    }
  }
}

}  // namespace hf::cli
