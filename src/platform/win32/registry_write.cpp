#include "platform/win32/registry_write.h"

#include <cstring>
#include <memory>
#include <new>

namespace hf::platform::win32 {

LSTATUS SetValueExact(HKEY key, const wchar_t *name, DWORD type, const std::uint8_t *data,
                      DWORD bytes) noexcept {
  if (bytes == 0 || data == nullptr)
    return RegSetValueExW(key, name, 0, type, bytes == 0 ? nullptr : data, bytes);

  // Room for the data rounded up to whole code units plus one more unit. Every
  // byte past the data is 0xFF, so the unit the system inspects after the data
  // (whole, or holding an odd last byte) is never NUL.
  const std::size_t units = static_cast<std::size_t>(bytes) / 2 + 1;
  std::unique_ptr<std::uint8_t[]> copy(new (std::nothrow) std::uint8_t[units * 2]);
  if (!copy) return ERROR_NOT_ENOUGH_MEMORY;
  std::memset(copy.get(), 0xFF, units * 2);
  std::memcpy(copy.get(), data, bytes);
  return RegSetValueExW(key, name, 0, type, copy.get(), bytes);
}

}  // namespace hf::platform::win32
