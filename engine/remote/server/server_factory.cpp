#include "server_factory.h"

#include <new>

#include "log_engine_object.h"
#include "served_engine.h"
#include "server_lifetime.h"

namespace morvex::server {

HRESULT STDMETHODCALLTYPE ServerFactory::QueryInterface(REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    AddRef();
    *out = static_cast<IClassFactory *>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ServerFactory::AddRef() { return refs_.Add(); }

ULONG STDMETHODCALLTYPE ServerFactory::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ServerFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out) {
  CallScope call;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto *engine = new (std::nothrow) LogEngineObject();
  if (engine == nullptr) return E_OUTOFMEMORY;
  auto *served = new (std::nothrow) ServedEngine(engine, options_);
  if (served == nullptr) {
    engine->Release();
    return E_OUTOFMEMORY;
  }
  const HRESULT result = served->QueryInterface(iid, out);
  served->Release();
  if (registration_) static_cast<void>(registration_->Renew());
  return result;
}

HRESULT STDMETHODCALLTYPE ServerFactory::LockServer(BOOL lock) {
  CallScope call;
  if (lock) {
    locks_.fetch_add(1);
    ObjectStarted();
    return S_OK;
  }
  // An unlock without its lock changes nothing.
  long held = locks_.load();
  while (held > 0 && !locks_.compare_exchange_weak(held, held - 1)) {
  }
  if (held > 0) ObjectEnded();
  return S_OK;
}

}  // namespace morvex::server
