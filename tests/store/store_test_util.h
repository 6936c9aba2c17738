// Small helpers shared by the store tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/folder_list.h"
#include "store/stored_lists.h"

namespace hf {

inline bool operator==(const FolderEntry &a, const FolderEntry &b) {
  return a.path == b.path && a.hits == b.hits;
}

// The entries of a list, in order.
inline std::vector<FolderEntry> Entries(const FolderList &list) {
  return std::vector<FolderEntry>(list.begin(), list.end());
}

// A list of the given entries.
inline FolderList ListOf(const std::vector<FolderEntry> &entries) {
  FolderList list;
  for (const FolderEntry &entry : entries) list.Append(entry);
  return list;
}

// 1 or 0 as the readers of a stored list answer: 1 when the whole text parsed
// or the size query failed (read as an empty text).
inline int LoaderResult(LoadOutcome outcome) {
  return outcome == LoadOutcome::kParsed || outcome == LoadOutcome::kQueryFailed ? 1 : 0;
}

}  // namespace hf

namespace hf::test {

// The little-endian bytes of a UTF-16 text, 2 per code unit, no terminator.
inline std::vector<std::uint8_t> Bytes(const std::u16string &text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// Readable UTF-8 form of an ASCII-only UTF-16 text, for failure messages.
inline std::string Narrow(const std::u16string &text) {
  std::string out;
  for (char16_t unit : text) out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return out;
}

}  // namespace hf::test
