#include "json.h"

#include <cstdio>

#include "utf.h"

namespace hf::cli {

namespace {

void AppendEscape(std::string &out, char32_t unit) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(unit));
  out += hex;
}

}  // namespace

std::string JsonString(std::u16string_view text) {
  std::string out = "\"";
  ForEachCodePoint(text, [&out](char32_t codePoint, bool valid) {
    switch (codePoint) {
      case U'"': out += "\\\""; return;
      case U'\\': out += "\\\\"; return;
      case U'\b': out += "\\b"; return;
      case U'\f': out += "\\f"; return;
      case U'\n': out += "\\n"; return;
      case U'\r': out += "\\r"; return;
      case U'\t': out += "\\t"; return;
      default: break;
    }
    if (!valid || codePoint < 0x20) {
      AppendEscape(out, codePoint);
    } else {
      AppendUtf8(out, codePoint);
    }
  });
  out += '"';
  return out;
}

std::string JsonFolder(std::int32_t rank, const StoredFolder &folder) {
  return "{\"rank\": " + std::to_string(rank) + ", \"hits\": " + std::to_string(folder.hits) +
         ", \"folder\": " + JsonString(folder.path) + "}";
}

std::string JsonFolderList(const std::vector<StoredFolder> &folders, const double *seconds) {
  std::string out = "{";
  if (seconds != nullptr) {
    char number[32];
    std::snprintf(number, sizeof number, "%.3f", *seconds);
    out += "\"seconds\": ";
    out += number;
    out += ", ";
  }
  out += "\"folders\": [";
  for (std::size_t i = 0; i < folders.size(); ++i) {
    out += i == 0 ? "\n  " : ",\n  ";
    out += JsonFolder(folders[i].rank > 0 ? folders[i].rank : static_cast<std::int32_t>(i + 1), folders[i]);
  }
  out += folders.empty() ? "]}\n" : "\n]}\n";
  return out;
}

}  // namespace hf::cli
