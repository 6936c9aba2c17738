#include "registry_key.h"

namespace morvex::server {

LONG RegistryKey::Create(HKEY parent, const std::wstring &path, bool *created) {
  Close();
  DWORD disposition = 0;
  const LONG result = ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE | DELETE, nullptr, &key_, &disposition);
  if (created != nullptr) *created = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
  return result;
}

std::wstring RegistryKey::Text(const wchar_t *name) const {
  wchar_t buffer[512];
  DWORD type = 0;
  DWORD bytes = sizeof buffer - sizeof(wchar_t);
  if (::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  std::size_t units = bytes / sizeof(wchar_t);
  while (units > 0 && buffer[units - 1] == L'\0') --units;
  return std::wstring(buffer, units);
}

LONG RegistryKey::Open(HKEY parent, const std::wstring &path) {
  Close();
  return ::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, &key_);
}

LONG RegistryKey::SetText(const wchar_t *name, const std::wstring &text) {
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()), bytes);
}

bool RegistryKey::Empty() const {
  DWORD subkeys = 0;
  DWORD values = 0;
  if (::RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

void RegistryKey::Close() noexcept {
  if (key_ != nullptr) ::RegCloseKey(key_);
  key_ = nullptr;
}

}  // namespace morvex::server
