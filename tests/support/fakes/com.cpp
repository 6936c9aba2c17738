#include "fakes/com.h"

namespace hf::fakes {

HRESULT FakeCom::Initialize() {
  ++initializations;
  ++depth;
  return kS_OK;
}

void FakeCom::Uninitialize() {
  if (ReferencesHeldOnThisThread() != 0) ++leftHolding;
  if (--depth < 0) Note("CoUninitialize without CoInitialize");
}

HRESULT FakeCom::CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    activations_.push_back({clsid, context, iid});
  }
  if (slowClock != nullptr) slowClock->AdvanceThisThread(slowSeconds);
  if (!(clsid == kClsidLogEngine) || !(iid == kIidLogEngine) || context != platform::kClsctxLocalServer ||
      out == nullptr) {
    Note("CoCreateInstance with unexpected arguments");
    if (out != nullptr) *out = nullptr;
    return kE_INVALIDARG;
  }
  *out = nullptr;
  if (engine == nullptr) return kREGDB_E_CLASSNOTREG;
  return engine->CreateEngine(iid, out);
}

std::vector<FakeCom::Activation> FakeCom::Activations() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activations_;
}

void FakeCom::Note(const char *misuse) noexcept {
  const char *none = nullptr;
  misuse_.compare_exchange_strong(none, misuse);
}

}  // namespace hf::fakes
