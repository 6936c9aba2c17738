// The two text fields that end a record line ("path<TAB>text"), split at their
// tab and decoded into one UTF-16 buffer in a single pass over the bytes.
#pragma once

#include <cstddef>

#include "abi/com_types.h"

namespace morvex {

// Bytes that must stay readable after the fields' last byte: the split reads
// sixteen bytes at a time and ignores what lies beyond the fields.
constexpr std::size_t kFieldReadSlack = 16;

// Code units of the output buffer that fields of size bytes need.
constexpr std::size_t FieldUnitsNeeded(std::size_t size) noexcept { return (size + 15) / 16 * 16 + 16; }

// Where the two decoded texts stand in the output buffer.
struct FieldTexts {
  std::size_t secondOffset = 0;  // the path starts at 0
};

// Splits the fields at their one tab and decodes both parts (as DecodeUtf8
// does) into out, each followed by a NUL. False when the fields hold no tab or
// more than one. out must hold FieldUnitsNeeded(size) units, and
// kFieldReadSlack bytes after the fields must be readable.
[[nodiscard]] bool SplitFields(const char *fields, std::size_t size, hf::NativeChar16 *out,
                               FieldTexts *texts) noexcept;

}  // namespace morvex
