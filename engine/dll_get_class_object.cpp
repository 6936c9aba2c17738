// The engine library's one export.
#include "class_factory.h"

// Exported by name in the module definition as well: link-time optimization
// sees only what the source marks, and would otherwise drop the function.
#if defined(_WIN32)
#define MORVEX_EXPORT __declspec(dllexport)
#else
#define MORVEX_EXPORT
#endif

extern "C" MORVEX_EXPORT hf::HRESULT DllGetClassObject(const hf::Guid &clsid, const hf::Guid &iid, void **out) noexcept {
  if (out == nullptr) return hf::kE_INVALIDARG;
  *out = nullptr;
  if (!(clsid == hf::kClsidLogEngine)) return hf::kCLASS_E_CLASSNOTAVAILABLE;
  morvex::EngineClassFactory *factory = nullptr;
  try {
    factory = new morvex::EngineClassFactory();
  } catch (...) {
    return hf::kE_OUTOFMEMORY;
  }
  const hf::HRESULT result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}
