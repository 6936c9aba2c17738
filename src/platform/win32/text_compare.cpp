// Case-sensitive comparison with the shell's StrCmpW; a null text counts as empty.
#include <windows.h>
#include <shlwapi.h>

#include "platform/text_compare.h"

namespace hf::platform {

int CompareText(const char16_t *a, const char16_t *b) {
  const wchar_t *left = a != nullptr ? reinterpret_cast<const wchar_t *>(a) : L"";
  const wchar_t *right = b != nullptr ? reinterpret_cast<const wchar_t *>(b) : L"";
  return StrCmpW(left, right);
}

}  // namespace hf::platform
