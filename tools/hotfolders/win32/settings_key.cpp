// The settings key on Windows: HKEY_CURRENT_USER\Software\Quorvane. Creating
// it is the installer's job, which `hotfolders init` does here.
#include <windows.h>

#include "platform.h"
#include "win32/wide.h"

namespace hf::cli {

namespace {

constexpr wchar_t kSubKey[] = L"Software\\Quorvane";

// Closes an opened registry key once.
class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle &) = delete;
  KeyHandle &operator=(const KeyHandle &) = delete;
  HKEY *put() noexcept { return &key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::string SystemSettingsKeyLocation() { return "HKEY_CURRENT_USER\\Software\\Quorvane"; }

KeyProbe ProbeSystemSettingsKey() {
  KeyHandle key;
  const LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, kSubKey, 0, KEY_READ, key.put());
  if (status == ERROR_FILE_NOT_FOUND) return KeyProbe{KeyState::missing, {}};
  if (status != ERROR_SUCCESS) return KeyProbe{KeyState::unreachable, SystemErrorText(static_cast<DWORD>(status))};
  // The library asks for all access when it adds to a value: ask for the same.
  KeyHandle writable;
  const LSTATUS write = ::RegOpenKeyExW(HKEY_CURRENT_USER, kSubKey, 0, KEY_ALL_ACCESS, writable.put());
  KeyProbe probe{KeyState::present, {}};
  probe.writable = write == ERROR_SUCCESS;
  if (!probe.writable) probe.detail = SystemErrorText(static_cast<DWORD>(write));
  return probe;
}

bool CreateSystemSettingsKey(std::string &error) {
  KeyHandle key;
  DWORD disposition = 0;
  const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_READ | KEY_WRITE, nullptr, key.put(), &disposition);
  if (status == ERROR_SUCCESS) return true;
  error = SystemErrorText(static_cast<DWORD>(status));
  return false;
}

}  // namespace hf::cli
