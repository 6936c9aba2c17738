#include "table.h"

#include <algorithm>

#include "utf.h"

namespace hf::cli {

namespace {

std::string PadLeft(const std::string &text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

}  // namespace

std::string DisplayPath(std::u16string_view path) {
  std::string out;
  out.reserve(path.size());
  ForEachCodePoint(path, [&out](char32_t codePoint, bool valid) {
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
    AppendUtf8(out, valid && !control ? codePoint : U'\uFFFD');
  });
  return out;
}

std::string FormatTable(const std::vector<StoredFolder> &folders, std::int32_t firstRank) {
  std::size_t rankWidth = 4;  // "rank"
  std::size_t hitsWidth = 4;  // "hits"
  const auto rankOf = [&](std::size_t i) {
    return folders[i].rank > 0 ? folders[i].rank : firstRank + static_cast<std::int64_t>(i);
  };
  for (std::size_t i = 0; i < folders.size(); ++i) {
    rankWidth = std::max(rankWidth, std::to_string(rankOf(i)).size());
    hitsWidth = std::max(hitsWidth, std::to_string(folders[i].hits).size());
  }
  std::string out = PadLeft("rank", rankWidth) + "  " + PadLeft("hits", hitsWidth) + "  folder\n";
  for (std::size_t i = 0; i < folders.size(); ++i) {
    out += PadLeft(std::to_string(rankOf(i)), rankWidth) + "  ";
    out += PadLeft(std::to_string(folders[i].hits), hitsWidth) + "  ";
    out += DisplayPath(folders[i].path) + "\n";
  }
  return out;
}

}  // namespace hf::cli
