#include "cursor_factory.h"

#include <new>

#include "batching_cursor.h"
#include "module_count.h"

namespace morvex::proxy {

CursorFactory::CursorFactory() noexcept { ModuleAddRef(); }

CursorFactory::~CursorFactory() { ModuleRelease(); }

HRESULT STDMETHODCALLTYPE CursorFactory::QueryInterface(REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    AddRef();
    *out = static_cast<IClassFactory *>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CursorFactory::AddRef() { return refs_.Add(); }

ULONG STDMETHODCALLTYPE CursorFactory::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE CursorFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto *cursor = new (std::nothrow) BatchingCursor();
  if (cursor == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = cursor->QueryInterface(iid, out);
  cursor->Release();
  return result;
}

HRESULT STDMETHODCALLTYPE CursorFactory::LockServer(BOOL lock) {
  if (lock) ModuleAddRef();
  else ModuleRelease();
  return S_OK;
}

}  // namespace morvex::proxy
