// Test doubles for the rebuild: a settable clock, an in-memory settings key,
// a scripted log engine served through a fake COM run-time, and module
// loading that finds nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "abi/log_engine.h"
#include "platform/clock.h"
#include "platform/com_runtime.h"
#include "platform/modules.h"
#include "platform/settings_store.h"
#include "platform/types.h"

namespace hf::test {

Timestamp Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// Today's date is fixed. Now() counts per thread: the k-th call on a thread
// returns base + step * k plus whatever that thread was advanced by, so each
// worker sees the same sequence whatever the other one does.
class TestClock final : public platform::Clock {
 public:
  TestClock();
  std::int64_t Now() override;
  bool LocalToday(Timestamp *today) override;
  // Moves the calling thread's clock forward.
  void AdvanceThisThread(std::int64_t seconds);

  std::int64_t base = 1'700'000'000;
  std::int64_t step = 0;
  Timestamp today = Date(2026, 3, 15);
  bool todayAvailable = true;

 private:
  struct ThreadState;
  ThreadState &State();
  std::uint64_t generation_;
};

// HKCU\Software\Quorvane held in memory.
class MemorySettings final : public platform::SettingsStore {
 public:
  Status OpenKey(std::uint32_t access, platform::KeyHandle *key) override;
  Status QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) override;
  Status QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override;
  Status SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type,
                  const std::uint8_t *data, std::uint32_t bytes) override;
  void CloseKey(platform::KeyHandle key) override;

  void WriteText(const std::u16string &name, const std::u16string &text);
  std::optional<std::u16string> ReadText(const std::u16string &name) const;

  bool keyExists = true;

 private:
  std::map<std::u16string, std::vector<std::uint8_t>> values_;
};

struct ScriptedRecord {
  std::u16string objectPath;
  Timestamp time;
  bool throwOnRead = false;  // its getters throw std::bad_alloc
};

// Serves two scripted logs. Every object it hands out is counted until its
// last reference is released, so a test can prove nothing is left held.
class ScriptedEngine final : public ILogEngine {
 public:
  HRESULT QueryInterface(const Guid &iid, void **out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HRESULT OpenFirstLog(ILogCursor **cursor) override;
  HRESULT OpenSecondLog(ILogCursor **cursor) override;

  // References held on the engine and cursors and records not yet released.
  int Outstanding() const { return outstanding_.load(); }
  std::atomic<int> &OutstandingCounter() { return outstanding_; }

  std::vector<ScriptedRecord> logs[2];

 private:
  HRESULT Open(int log, ILogCursor **cursor);
  std::atomic<int> outstanding_{0};
};

// CoCreateInstance that serves the scripted engine as an out-of-process server would.
class FakeCom final : public platform::ComRuntime {
 public:
  HRESULT Initialize() override;
  void Uninitialize() override;
  HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid,
                         void **out) override;

  ScriptedEngine *engine = nullptr;   // nullptr: no server registered
  TestClock *slowClock = nullptr;     // when set, creation takes slowSeconds on it
  std::int64_t slowSeconds = 0;
  std::atomic<int> initializations{0};
  std::atomic<int> depth{0};  // Initialize minus Uninitialize
  // Apartments left while the thread still held engine references.
  std::atomic<int> leftHolding{0};
};

// Library loading that finds no engine library anywhere.
class NoModules final : public platform::Modules {
 public:
  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override;
  platform::ModuleHandle Load(const char *path) override;
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override;
  void *Symbol(platform::ModuleHandle module, const char *name) override;
  void Free(platform::ModuleHandle module) override;
};

}  // namespace hf::test
