// RegSetValueExW that stores exactly the bytes it is given.
#pragma once

#include <windows.h>

#include <cstdint>

namespace hf::platform::win32 {

// Sets the value with exactly `bytes` bytes of data. For string types the
// system adds a NUL code unit to the count when the unit just after the data
// is NUL; the data is therefore passed from a copy followed by a non-NUL unit.
// Returns the status of RegSetValueExW, or ERROR_NOT_ENOUGH_MEMORY when the
// copy cannot be made.
[[nodiscard]] LSTATUS SetValueExact(HKEY key, const wchar_t *name, DWORD type,
                                    const std::uint8_t *data, DWORD bytes) noexcept;

}  // namespace hf::platform::win32
