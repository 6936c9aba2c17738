// A COM run-time for tests: apartments counted, activations recorded, and
// an out-of-process server that is either missing or serves a scripted engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "fakes/clock.h"
#include "fakes/scripted_engine.h"
#include "platform/com_runtime.h"

namespace hf::fakes {

class FakeCom final : public platform::ComRuntime {
 public:
  struct Activation {
    Guid clsid;
    std::uint32_t context;
    Guid iid;
  };

  HRESULT Initialize() override;
  void Uninitialize() override;
  HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) override;

  // The engine the server hands out; nullptr: no server registered.
  ScriptedEngine *engine = nullptr;
  // When set, every activation takes slowSeconds on the calling thread's clock.
  TestClock *slowClock = nullptr;
  std::int64_t slowSeconds = 0;

  std::atomic<int> initializations{0};
  std::atomic<int> depth{0};  // Initialize minus Uninitialize
  // Apartments left while the thread still held references to engine objects.
  std::atomic<int> leftHolding{0};

  // Every CreateInstance call, in order.
  std::vector<Activation> Activations() const;
  // The first misuse seen (unexpected arguments, leaving an apartment never entered), or nullptr.
  const char *Misuse() const noexcept { return misuse_.load(); }

 private:
  void Note(const char *misuse) noexcept;

  mutable std::mutex mutex_;
  std::vector<Activation> activations_;
  std::atomic<const char *> misuse_{nullptr};
};

}  // namespace hf::fakes
