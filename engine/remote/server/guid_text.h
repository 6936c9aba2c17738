// Conversions between the engine's identifiers and the system's.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include "abi/com_types.h"

namespace morvex::server {

inline CLSID ToGuid(const hf::Guid &id) noexcept {
  static_assert(sizeof(CLSID) == sizeof(hf::Guid), "one GUID layout");
  CLSID out;
  std::memcpy(&out, &id, sizeof out);
  return out;
}

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
std::wstring GuidText(const GUID &id);

}  // namespace morvex::server
