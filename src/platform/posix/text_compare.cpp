// Case-sensitive comparison by UTF-16 code unit; a null text counts as empty.
#include "platform/text_compare.h"

namespace hf::platform {

int CompareText(const char16_t *a, const char16_t *b) {
  if (a == nullptr) a = u"";
  if (b == nullptr) b = u"";
  while (*a != u'\0' && *a == *b) {
    ++a;
    ++b;
  }
  if (*a == *b) return 0;
  return *a < *b ? -1 : 1;
}

}  // namespace hf::platform
