// A small engine-like library whose entry points misbehave on purpose, for the
// fault guard tests. Every entry has the DllGetClassObject signature.
#include <stdexcept>

#include "abi/com_types.h"

#if defined(_WIN32)
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Opaque to the optimiser, so the faults really happen at run time.
int *volatile gNowhere = nullptr;
volatile int gZero = 0;
int gObject = 0;

}  // namespace

// Writes through a null pointer.
PROBE_EXPORT hf::HRESULT DllGetClassObject(const hf::Guid &, const hf::Guid &, void **out) {
  *gNowhere = 1;
  if (out != nullptr) *out = nullptr;
  return hf::kS_OK;
}

// Divides by zero.
PROBE_EXPORT hf::HRESULT ProbeDivideByZero(const hf::Guid &clsid, const hf::Guid &, void **) {
  return static_cast<hf::HRESULT>(clsid.data1 / static_cast<unsigned>(gZero));
}

// Throws a C++ exception out of the entry.
PROBE_EXPORT hf::HRESULT ProbeThrow(const hf::Guid &, const hf::Guid &, void **) {
  throw std::runtime_error("probe");
}

// Returns normally: S_OK and an object when both identifiers arrived intact,
// E_INVALIDARG otherwise.
PROBE_EXPORT hf::HRESULT ProbeReturn(const hf::Guid &clsid, const hf::Guid &iid, void **out) {
  if (out == nullptr) return hf::kE_INVALIDARG;
  if (clsid.data1 != 0x11111111u || iid.data1 != 0x22222222u || iid.data4[7] != 0x77) {
    *out = nullptr;
    return hf::kE_INVALIDARG;
  }
  *out = &gObject;
  return hf::kS_OK;
}

// Returns a failure status whose top bit is set.
PROBE_EXPORT hf::HRESULT ProbeFail(const hf::Guid &, const hf::Guid &, void **out) {
  if (out != nullptr) *out = nullptr;
  return hf::kCLASS_E_CLASSNOTAVAILABLE;
}
