// Case-sensitive comparison of two NUL-terminated wide strings: StrCmpW on
// Windows, code-unit order elsewhere. Zero means equal.
#pragma once

namespace hf::platform {

int CompareText(const char16_t *a, const char16_t *b);

}  // namespace hf::platform
