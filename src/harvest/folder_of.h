// The folder of an object path: where the record's object lies.
#pragma once

#include <string_view>

namespace hf {

// The folder of an object path: up to and including the last backslash before
// the first "->" (or of the whole path); empty when there is none.
std::u16string_view FolderOf(std::u16string_view objectPath) noexcept;
// The same for a NUL-terminated path (null: empty), found in one pass over it.
std::u16string_view FolderOfText(const char16_t *objectPath) noexcept;

}  // namespace hf
