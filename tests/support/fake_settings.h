// An in-memory settings store for tests: values in a map, statuses scripted
// per operation, and every call recorded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace hf::test {

class FakeSettings final : public platform::SettingsStore {
 public:
  struct Value {
    std::uint32_t type = platform::kRegMultiSz;
    std::vector<std::uint8_t> bytes;
  };

  enum class Op { kOpen, kQuerySize, kQueryData, kSetValue, kClose };
  struct Call {
    Op op;
    std::uint32_t access = 0;  // kOpen only
    std::u16string name;       // value operations only
  };

  // What the key looks like: present (the default) or missing.
  bool keyExists = true;
  // Status answered by OpenKey for one access mask instead of success.
  std::map<std::uint32_t, Status> openStatus;
  // Status answered by the size query of a value instead of the truth.
  std::map<std::u16string, Status> sizeStatus;
  // Byte count reported by a successful size query instead of the truth.
  std::map<std::u16string, std::uint32_t> sizeOverride;
  // Status answered by the data query of a value (nothing is delivered then).
  std::map<std::u16string, Status> dataStatus;
  // Status answered, with nothing stored, by the nth SetValue call (1 for the
  // first); a write refused in the middle of a sequence.
  std::map<std::size_t, Status> setValueStatus;
  // When set, the size query throws this (an exception from deep inside a call).
  enum class Throw { kNone, kBadAlloc, kComError } throwOnQuery = Throw::kNone;

  std::map<std::u16string, Value> values;
  std::vector<Call> calls;

  // A REG_MULTI_SZ value holding the code units of text, 2 bytes each, no NUL.
  void SetText(const std::u16string &name, const std::u16string &text);
  // The value's data as code units; nullopt when it is missing.
  std::optional<std::u16string> Text(const std::u16string &name) const;

  // The calls of one kind, in order.
  std::vector<Call> CallsOf(Op op) const;
  // Handles opened and not yet closed.
  int OpenHandles() const noexcept { return openHandles_; }

  Status OpenKey(std::uint32_t access, platform::KeyHandle *key) override;
  Status QuerySize(platform::KeyHandle key, const char16_t *name,
                             std::uint32_t *bytes) override;
  Status QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                             std::uint32_t *bytes) override;
  Status SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type,
                            const std::uint8_t *data, std::uint32_t bytes) override;
  void CloseKey(platform::KeyHandle key) override;

 private:
  int openHandles_ = 0;
  int token_ = 0;  // the handles point here
};

// Installs a store for the lifetime of the object and restores the previous one.
class ScopedSettings {
 public:
  explicit ScopedSettings(platform::SettingsStore &store)
      : previous_(platform::SetSettingsForTesting(&store)) {}
  ~ScopedSettings() { platform::SetSettingsForTesting(previous_); }
  ScopedSettings(const ScopedSettings &) = delete;
  ScopedSettings &operator=(const ScopedSettings &) = delete;

 private:
  platform::SettingsStore *previous_;
};

}  // namespace hf::test
