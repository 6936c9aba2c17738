#include "guid_text.h"

#include <objbase.h>

namespace morvex::server {

std::wstring GuidText(const GUID &id) {
  wchar_t text[40] = {};
  const int length = ::StringFromGUID2(id, text, 40);
  return length > 1 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace morvex::server
