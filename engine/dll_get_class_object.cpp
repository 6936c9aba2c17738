// The engine library's one export.
#include "class_factory.h"

extern "C" hf::HRESULT DllGetClassObject(const hf::Guid &clsid, const hf::Guid &iid, void **out) noexcept {
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
