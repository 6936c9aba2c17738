// The four registry operations through which alone the library reaches the
// per-user settings key HKEY_CURRENT_USER\Software\Quorvane.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace hf::platform {

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;
constexpr std::uint32_t kRegMultiSz = 7;

// An open settings key; what it points to belongs to the backend.
using KeyHandle = void *;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Opens HKEY_CURRENT_USER\Software\Quorvane with the access mask; never
  // creates it. On success stores a handle and returns 0; otherwise returns a
  // status (2 when the key is missing, 5 when the access is refused) and
  // leaves *key untouched.
  virtual Status OpenKey(std::uint32_t access, KeyHandle *key) = 0;

  // Size query: stores the byte count of the value's data (0 for an empty
  // value) and returns 0; returns 2 when the value does not exist, another
  // status on any other failure.
  virtual Status QuerySize(KeyHandle key, const char16_t *name, std::uint32_t *bytes) = 0;

  // Data query: reads at most *bytes bytes of the value into buffer and stores
  // the number delivered in *bytes.
  virtual Status QueryData(KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                           std::uint32_t *bytes) = 0;

  // Creates or replaces the value with the given type and bytes (data may be
  // null when bytes is 0); exactly those bytes are stored.
  virtual Status SetValue(KeyHandle key, const char16_t *name, std::uint32_t type,
                          const std::uint8_t *data, std::uint32_t bytes) = 0;

  // Releases the handle.
  virtual void CloseKey(KeyHandle key) = 0;
};

// The store in use: the platform's own unless a test installed another.
SettingsStore &Settings();

// Installs a store (nullptr restores the platform's own); returns the previous one.
SettingsStore *SetSettingsForTesting(SettingsStore *store);

// The platform's own store (the registry on Windows, the file hive elsewhere).
SettingsStore &SystemSettings();

}  // namespace hf::platform
