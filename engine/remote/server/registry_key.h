// One open registry key, closed once.
#pragma once

#include <windows.h>

#include <string>

namespace morvex::server {

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey &) = delete;
  RegistryKey &operator=(const RegistryKey &) = delete;

  // Opens or creates parent\path for writing; the system error code. With
  // created given, it tells whether the key is new.
  LONG Create(HKEY parent, const std::wstring &path, bool *created = nullptr);
  // Opens parent\path for reading and deleting below it.
  LONG Open(HKEY parent, const std::wstring &path);
  // Sets a text value (name empty: the key's default value).
  LONG SetText(const wchar_t *name, const std::wstring &text);
  // A text value, or empty when it is missing or not text.
  std::wstring Text(const wchar_t *name) const;
  // True when the key holds neither subkeys nor values.
  bool Empty() const;
  HKEY Get() const noexcept { return key_; }
  void Close() noexcept;

 private:
  HKEY key_ = nullptr;
};

}  // namespace morvex::server
