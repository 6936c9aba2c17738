#include "class_factory.h"

#include <new>

#include "log_engine_object.h"

namespace morvex {
namespace {
constexpr hf::HRESULT kClassNoAggregation = static_cast<hf::HRESULT>(0x80040110u);
}

hf::HRESULT EngineClassFactory::QueryInterface(const hf::Guid &iid, void **out) {
  return QueryOne(hf::kIidClassFactory, iid, out);
}

hf::HRESULT EngineClassFactory::CreateInstance(hf::IUnknownAbi *outer, const hf::Guid &iid, void **out) {
  if (out == nullptr) return hf::kE_INVALIDARG;
  *out = nullptr;
  if (outer != nullptr) return kClassNoAggregation;
  LogEngineObject *engine = nullptr;
  try {
    engine = new LogEngineObject();
  } catch (...) {
    return hf::kE_OUTOFMEMORY;
  }
  const hf::HRESULT result = engine->QueryInterface(iid, out);
  engine->Release();
  return result;
}

// The library stays loaded once it has made an object, so locks need no count.
hf::HRESULT EngineClassFactory::LockServer(std::int32_t) { return hf::kS_OK; }

}  // namespace morvex
