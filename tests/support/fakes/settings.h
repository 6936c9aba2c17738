// Settings stores for tests: a forwarding base, a layer of scripted faults
// over any store, and HKCU\Software\Quorvane held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace hf::fakes {

struct SettingsValue {
  std::uint32_t type = platform::kRegMultiSz;
  std::vector<std::uint8_t> bytes;
};

// Forwards every call to a target store, so that a fake derived from it
// overrides only the calls it changes.
class SettingsWrapper : public platform::SettingsStore {
 public:
  explicit SettingsWrapper(platform::SettingsStore *target) : target_(target) {}

  Status OpenKey(std::uint32_t access, platform::KeyHandle *key) override { return target_->OpenKey(access, key); }
  Status QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) override {
    return target_->QuerySize(key, name, bytes);
  }
  Status QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override {
    return target_->QueryData(key, name, buffer, bytes);
  }
  Status SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type, const std::uint8_t *data,
                  std::uint32_t bytes) override {
    return target_->SetValue(key, name, type, data, bytes);
  }
  void CloseKey(platform::KeyHandle key) override { target_->CloseKey(key); }

 private:
  platform::SettingsStore *target_;
};

// How the data query answers, to imitate a value changed by another process
// between the size query and the data query.
enum class DataMode : std::uint8_t {
  kSteady,  // the data query delivers what the size query announced
  kShrunk,  // the size query announces `extra` bytes more than the data query delivers
  kGrown,   // the value grew by `extra` bytes: a buffer of the old size gets ERROR_MORE_DATA and the new size
};

// Scripted failures, a record of every call and checks of how the handles are
// used, over any target store. Safe to call from several threads; the public
// fields are set and read by the test while the library is not running.
class FaultySettings : public SettingsWrapper {
 public:
  enum class Op { kOpen, kQuerySize, kQueryData, kSetValue, kClose };
  struct Call {
    Op op;
    std::uint32_t access = 0;  // kOpen only
    std::u16string name;       // value operations only
    SettingsValue value;       // kSetValue only: what was to be stored
    Status result = kErrorSuccess;
  };
  enum class Throw { kNone, kBadAlloc, kComError };

  explicit FaultySettings(platform::SettingsStore *target) : SettingsWrapper(target) {}
  FaultySettings(const FaultySettings &) = delete;
  // Takes over the other's script and record; the target stays.
  FaultySettings &operator=(const FaultySettings &other);

  // Status answered by OpenKey for one access mask instead of success.
  std::map<std::uint32_t, Status> openStatus;
  // Status answered by the size query of a value, whether or not it exists.
  std::map<std::u16string, Status> sizeStatus;
  // When non-zero, answers the size query of every value that exists.
  Status existingSizeStatus = kErrorSuccess;
  // Byte count reported by a successful size query instead of the truth.
  std::map<std::u16string, std::uint32_t> sizeOverride;
  // Status answered by the data query of a value (nothing is delivered then).
  std::map<std::u16string, Status> dataStatus;
  // Status answered, with nothing stored, by the nth SetValue call in `calls`
  // (1 for the first): a write refused in the middle of a sequence.
  std::map<std::size_t, Status> setValueStatus;
  // When set, the size query throws this (an exception from deep inside a call).
  Throw throwOnQuery = Throw::kNone;
  DataMode dataMode = DataMode::kSteady;
  std::uint32_t extra = 0;  // the bytes of kShrunk and kGrown

  std::vector<Call> calls;

  // The calls of one kind, in order.
  std::vector<Call> CallsOf(Op op) const;
  // The SetValue calls that stored their value, in order.
  std::vector<Call> Writes() const;
  // Successful opens minus CloseKey calls: 0 when every handle was closed once.
  int OpenHandles() const;
  // The first misuse seen (a stale handle, a write through a read handle...), or nullptr.
  const char *Misuse() const;

  Status OpenKey(std::uint32_t access, platform::KeyHandle *key) override;
  Status QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) override;
  Status QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override;
  Status SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type, const std::uint8_t *data,
                  std::uint32_t bytes) override;
  void CloseKey(platform::KeyHandle key) override;

 private:
  std::size_t Record(Call call);  // index of the call; mutex_ held
  void Note(const char *misuse);  // mutex_ held
  bool IsOpen(platform::KeyHandle key) const { return open_.count(key) != 0; }

  mutable std::mutex mutex_;
  std::map<platform::KeyHandle, std::uint32_t> open_;  // handle -> access mask
  int opened_ = 0;
  int closeCalls_ = 0;
  const char *misuse_ = nullptr;
};

// HKCU\Software\Quorvane held in memory, with the faults of FaultySettings.
// A data query reads at most the buffer's size and reports what it delivered.
class MemorySettings final : public FaultySettings {
 public:
  MemorySettings() : FaultySettings(&key_), key_(*this) {}
  MemorySettings(const MemorySettings &) = delete;
  MemorySettings &operator=(const MemorySettings &other);

  // What the key looks like: present (the default) or missing.
  bool keyExists = true;
  std::map<std::u16string, SettingsValue> values;

  // A REG_MULTI_SZ value holding the code units of text, 2 bytes each, no NUL.
  void SetText(const std::u16string &name, const std::u16string &text);
  // The value's data as whole code units, NULs included; nullopt when it is missing.
  std::optional<std::u16string> Text(const std::u16string &name) const;

 private:
  class Key final : public platform::SettingsStore {
   public:
    explicit Key(MemorySettings &owner) : owner_(owner) {}
    Status OpenKey(std::uint32_t access, platform::KeyHandle *key) override;
    Status QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) override;
    Status QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                     std::uint32_t *bytes) override;
    Status SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type, const std::uint8_t *data,
                    std::uint32_t bytes) override;
    void CloseKey(platform::KeyHandle) override {}

   private:
    MemorySettings &owner_;
    std::uintptr_t serial_ = 0;  // handles are distinct numbers, never dereferenced
  };
  Key key_;
};

// The text a reader takes from a value's bytes: whole code units up to the first NUL.
std::u16string TextBeforeNul(const std::vector<std::uint8_t> &bytes);

}  // namespace hf::fakes
