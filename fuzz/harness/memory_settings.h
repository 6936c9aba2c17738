// An in-memory settings key for the fuzz checks: values held as type and raw
// bytes, scripted failures, and a record of every write the library made.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace hf::fuzz {

struct MemoryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};

struct MemoryWrite {
  std::u16string name;
  MemoryValue value;
};

// How the data query answers, to imitate a value changed by another process
// between the size query and the data query.
enum class DataMode : std::uint8_t {
  kSteady,  // the data query delivers what the size query announced
  kShrunk,  // the size query announced `extra` bytes more than the data query delivers
  kGrown,   // the value grew: the data query fails with ERROR_MORE_DATA and the full size, as the registry does
};

class MemorySettings : public platform::SettingsStore {
 public:
  // Scripted behaviour; set before the library runs.
  bool keyExists = true;
  bool writeRefused = false;       // KEY_WRITE and KEY_ALL_ACCESS give status 5
  Status sizeStatus = 0;           // a non-zero status answers every size query of an existing value
  DataMode dataMode = DataMode::kSteady;
  std::uint32_t extra = 0;         // bytes announced beyond the data (kShrunk) or added to it (kGrown)
  std::map<std::u16string, MemoryValue> values;

  MemorySettings() = default;
  ~MemorySettings() override;
  MemorySettings(const MemorySettings &) = delete;
  MemorySettings &operator=(const MemorySettings &) = delete;

  Status OpenKey(std::uint32_t access, platform::KeyHandle *key) override;
  Status QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) override;
  Status QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override;
  Status SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type,
                  const std::uint8_t *data, std::uint32_t bytes) override;
  void CloseKey(platform::KeyHandle key) override;

  // Every SetValue in call order.
  std::vector<MemoryWrite> Writes() const;
  // Handles opened and not closed yet.
  std::size_t OpenHandles() const;
  // The first misuse seen (a stale handle, a write through a read handle...), or nullptr.
  const char *Misuse() const;

 private:
  struct Handle {
    std::uint32_t access;
  };
  bool Valid(platform::KeyHandle key) const;
  void Note(const char *misuse);

  mutable std::mutex mutex_;
  std::set<Handle *> open_;
  std::vector<MemoryWrite> writes_;
  const char *misuse_ = nullptr;
};

// Installs a store for the lifetime of this object, then restores the previous one.
class ScopedSettings {
 public:
  explicit ScopedSettings(platform::SettingsStore *store)
      : previous_(platform::SetSettingsForTesting(store)) {}
  ~ScopedSettings() { platform::SetSettingsForTesting(previous_); }
  ScopedSettings(const ScopedSettings &) = delete;
  ScopedSettings &operator=(const ScopedSettings &) = delete;

 private:
  platform::SettingsStore *previous_;
};

// The text a reader takes from a value's bytes: whole code units up to the first NUL.
std::u16string TextOfValue(const std::vector<std::uint8_t> &bytes);

}  // namespace hf::fuzz
