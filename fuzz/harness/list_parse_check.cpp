// Invariants of the list text: the parse takes exactly the closed, non-empty
// items before the first empty one, every entry formats and parses back to
// itself, and a value holding the text loads the same entries.
#include <cstdint>
#include <limits>
#include <string>

#include "checks.h"
#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "input_reader.h"
#include "store/stored_lists.h"
#include "store/list_format.h"

namespace hf::fuzz {
namespace {

bool IsAsciiSpace(char16_t unit) noexcept {
  return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

// Texts of printable ASCII and the six ASCII white-space characters, where the
// conversion has exactly one right answer.
bool IsPlainAscii(std::u16string_view text) noexcept {
  for (char16_t unit : text)
    if (!IsAsciiSpace(unit) && (unit < 0x20 || unit > 0x7E)) return false;
  return true;
}

std::int32_t ExpectedCount(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsAsciiSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > (std::int64_t{1} << 32)) magnitude = std::int64_t{1} << 32;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::u16string Decimal(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

bool SameEntries(const FolderList &a, std::size_t fromA, const FolderList &b, std::size_t fromB) {
  if (a.Count() - fromA != b.Count() - fromB) return false;
  for (std::size_t i = 0; fromA + i < a.Count(); ++i) {
    if (a.At(fromA + i).path != b.At(fromB + i).path || a.At(fromA + i).hits != b.At(fromB + i).hits) return false;
  }
  return true;
}

const char *CheckParse(const std::u16string &text) {
  if (IsPlainAscii(text) && ParseCount(text) != ExpectedCount(text)) return "count conversion differs";

  FolderList list;
  list.Append(FolderEntry{u"kept", 7});
  const int result = ParseListText(text, list);
  if (result != 0 && result != 1) return "parse result is neither 0 nor 1";
  if (list.Count() == 0 || list.At(0).path != u"kept" || list.At(0).hits != 7) return "parse disturbed earlier entries";

  // Walk the items as the format defines them.
  std::u16string_view rest = text;
  std::size_t entry = 1;
  int expected = 1;
  while (!rest.empty()) {
    const std::size_t bar = rest.find(u'|');
    if (bar == std::u16string_view::npos || bar == 0) {
      expected = 0;
      break;
    }
    const std::u16string_view item = rest.substr(0, bar);
    rest.remove_prefix(bar + 1);
    if (entry >= list.Count()) return "an item was not taken";
    const std::size_t comma = item.rfind(u',');
    const std::u16string_view path = comma == std::u16string_view::npos ? std::u16string_view() : item.substr(0, comma);
    const std::u16string_view count = comma == std::u16string_view::npos ? item : item.substr(comma + 1);
    const FolderEntry &got = list.At(entry++);
    if (got.path != path) return "entry path is not the item's text before its last comma";
    if (got.hits != ParseCount(count)) return "entry count is not the conversion of its count text";
  }
  if (result != expected) return "parse result does not match the text's shape";
  if (entry != list.Count()) return "parse took more entries than the text holds";

  // Formatting the entries and parsing the result gives them back unchanged.
  WideString formatted;
  for (std::size_t i = 1; i < list.Count(); ++i) {
    const FolderEntry &e = list.At(i);
    const WideString one = FormatEntry(e.path, e.hits);
    const WideString expectedOne = e.path + u"," + Decimal(e.hits) + u"|";
    if (one != expectedOne) return "FormatEntry is not path, comma, decimal count, bar";
    AppendFormattedEntry(formatted, e.path, e.hits);
  }
  FolderList again;
  again.Append(FolderEntry{u"kept", 7});
  if (ParseListText(formatted, again) != 1) return "formatted entries do not parse completely";
  if (!SameEntries(list, 1, again, 1)) return "formatted entries parse back differently";
  return nullptr;
}

// A value holding the raw input loads what the parse of its text gives.
const char *CheckLoad(const std::uint8_t *data, std::size_t size) {
  fakes::MemorySettings store;
  store.values[u"hotFolders"] = fakes::SettingsValue{platform::kRegMultiSz, std::vector<std::uint8_t>(data, data + size)};
  fakes::ScopedSettings installed(store);

  const LoadedList ranked = LoadRanked();
  const int loaded = ranked.outcome == LoadOutcome::kParsed || ranked.outcome == LoadOutcome::kQueryFailed ? 1 : 0;
  FolderList expected;
  const int parsed = size == 0 ? 0 : ParseListText(fakes::TextBeforeNul(store.values[u"hotFolders"].bytes), expected);
  const char *broken = nullptr;
  if (loaded != parsed) broken = "loader result differs from the parse of the value's text";
  else if (!SameEntries(ranked.entries, 0, expected, 0)) broken = "loaded entries differ from the parse of the value's text";
  else if (store.OpenHandles() != 0) broken = "loader left the key open";
  else if (store.Misuse() != nullptr) broken = store.Misuse();
  else if (!store.Writes().empty()) broken = "loader wrote to the registry";
  return broken;
}

}  // namespace

const char *CheckListParse(const std::uint8_t *data, std::size_t size) {
  if (const char *broken = CheckParse(UnitsOf(data, size))) return broken;
  return CheckLoad(data, size);
}

}  // namespace hf::fuzz
