// UTF-8 to UTF-16 decoding for the log texts.
#pragma once

#include <cstddef>

#include "abi/com_types.h"

namespace morvex {

// Decodes size bytes of UTF-8 into out, which must hold at least size code
// units; returns the number of code units written. Each maximal ill-formed
// subsequence becomes one U+FFFD, as does a NUL byte (the texts are handed out
// NUL-terminated); characters beyond U+FFFF become surrogate pairs.
std::size_t DecodeUtf8(const char *in, std::size_t size, hf::NativeChar16 *out) noexcept;

}  // namespace morvex
