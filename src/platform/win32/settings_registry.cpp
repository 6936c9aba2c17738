// The settings store on Windows: HKEY_CURRENT_USER\Software\Quorvane in the
// registry, reached through RegOpenKeyExW, RegQueryValueExW, RegSetValueExW
// and RegCloseKey.
#include <windows.h>

#include "platform/settings_store.h"
#include "platform/win32/registry_write.h"

namespace hf::platform {
namespace {

constexpr const wchar_t *kSettingsKey = L"Software\\Quorvane";

const wchar_t *Native(const char16_t *text) noexcept {
  return reinterpret_cast<const wchar_t *>(text);
}

HKEY Key(KeyHandle key) noexcept { return static_cast<HKEY>(key); }

class RegistrySettings final : public SettingsStore {
 public:
  Status OpenKey(std::uint32_t access, KeyHandle *key) override {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, access, &opened);
    if (status != ERROR_SUCCESS) return static_cast<Status>(status);
    *key = opened;
    return kErrorSuccess;
  }

  Status QuerySize(KeyHandle key, const char16_t *name, std::uint32_t *bytes) override {
    DWORD type = 0;
    DWORD size = 0;
    const LSTATUS status = RegQueryValueExW(Key(key), Native(name), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) *bytes = size;
    return static_cast<Status>(status);
  }

  Status QueryData(KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override {
    DWORD type = 0;
    DWORD size = *bytes;
    const LSTATUS status = RegQueryValueExW(Key(key), Native(name), nullptr, &type, buffer, &size);
    *bytes = status == ERROR_SUCCESS ? size : 0;
    return static_cast<Status>(status);
  }

  Status SetValue(KeyHandle key, const char16_t *name, std::uint32_t type,
                  const std::uint8_t *data, std::uint32_t bytes) override {
    return static_cast<Status>(win32::SetValueExact(Key(key), Native(name), type, data, bytes));
  }

  void CloseKey(KeyHandle key) override { RegCloseKey(Key(key)); }
};

}  // namespace

SettingsStore &SystemSettings() {
  static RegistrySettings settings;
  return settings;
}

}  // namespace hf::platform
