// The folder of an object path: where the record's object lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hf {

// The folder of an object path: up to and including the last backslash before
// the first "->" (or of the whole path); empty when there is none.
std::u16string_view FolderOf(std::u16string_view objectPath) noexcept;
// The same for a NUL-terminated path (null: empty), found in one pass over it.
std::u16string_view FolderOfText(const char16_t *objectPath) noexcept;

// A folder of at most kUnits units copied out of an object path, with some of
// the units around it.
struct FolderCopy {
  static constexpr std::size_t kUnits = 64;
  alignas(16) char16_t units[kUnits];
  std::uint32_t start = 0;
  std::uint32_t size = 0;

  [[nodiscard]] std::u16string_view Folder() const noexcept { return {units + start, size}; }
};

// FolderOfText, the folder also copied into copy when it has at most
// FolderCopy::kUnits units; otherwise copy's contents are unspecified.
std::u16string_view CopyFolderOfText(const char16_t *objectPath, FolderCopy &copy) noexcept;

}  // namespace hf
