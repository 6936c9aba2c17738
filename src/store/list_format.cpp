// The "%s,%d|" text of the registry values: count conversion, parse, format.
#include "store/list_format.h"

#include <limits>
#include <utility>

namespace hf {
namespace {

constexpr bool IsWhiteSpace(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

constexpr bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

}  // namespace

std::int32_t ParseCount(std::u16string_view text) noexcept {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();

  std::size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate the magnitude, saturating just past the range so that any run
  // of digits clamps instead of overflowing.
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > kMax + 1) magnitude = kMax + 1;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > kMax) return static_cast<std::int32_t>(kMax);
  if (value < kMin) return static_cast<std::int32_t>(kMin);
  return static_cast<std::int32_t>(value);
}

int ParseListText(std::u16string_view text, FolderList &list) {
  std::u16string_view rest = text;
  while (!rest.empty()) {
    const std::size_t bar = rest.find(u'|');
    // Without a closing bar the item is empty, which ends the parse below.
    if (bar == std::u16string_view::npos || bar == 0) return 0;
    const std::u16string_view item = rest.substr(0, bar);
    rest.remove_prefix(bar + 1);

    // The count follows the last comma: every entry written ends "," count,
    // while a folder's own name may hold commas ("D:\\Smith, John\\").
    const std::size_t comma = item.rfind(u',');
    FolderEntry entry;
    if (comma == std::u16string_view::npos) {
      entry.hits = ParseCount(item);
    } else {
      entry.path.assign(item.substr(0, comma));
      entry.hits = ParseCount(item.substr(comma + 1));
    }
    list.Append(std::move(entry));
  }
  return 1;
}

void AppendFormattedEntry(WideString &out, std::u16string_view path, std::int32_t hits) {
  char16_t digits[12];
  std::size_t n = 0;
  // Work on the magnitude as unsigned so that the lowest value has one too.
  std::uint32_t magnitude =
      hits < 0 ? 0u - static_cast<std::uint32_t>(hits) : static_cast<std::uint32_t>(hits);
  do {
    digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);

  out.reserve(out.size() + path.size() + n + 3);
  out.append(path);
  out.push_back(u',');
  if (hits < 0) out.push_back(u'-');
  while (n > 0) out.push_back(digits[--n]);
  out.push_back(u'|');
}

WideString FormatEntry(std::u16string_view path, std::int32_t hits) {
  WideString out;
  AppendFormattedEntry(out, path, hits);
  return out;
}

}  // namespace hf
