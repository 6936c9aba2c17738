// Plain types shared by the logic and the platform layer: the engine's COM
// types, the library's text type and the registry's status codes.
#pragma once

#include <cstdint>
#include <string>

#include "abi/com_types.h"

namespace hf {

// Every text of the library is UTF-16 held in a std::u16string; the platform
// layer converts to the native 16-bit unit (wchar_t on Windows) at its edge.
using WideString = std::u16string;

using Status = std::int32_t;  // Windows system error code (ERROR_*)

constexpr Status kErrorSuccess = 0;
constexpr Status kErrorFileNotFound = 2;
constexpr Status kErrorAccessDenied = 5;
constexpr Status kErrorNotEnoughMemory = 8;
constexpr Status kErrorBadDb = 1009;

}  // namespace hf
