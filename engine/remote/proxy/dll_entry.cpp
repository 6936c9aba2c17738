// MorvexProxy.dll's exports: the batching cursor's class, and the generated
// proxy/stub factory for every other class asked for.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "cursor_factory.h"
#include "module_count.h"
#include "remote_ids.h"

extern "C" {
// The generated proxy/stub entries, built with their own prefix.
HRESULT WINAPI PrxDllGetClassObject(REFCLSID clsid, REFIID iid, void **out);
HRESULT WINAPI PrxDllCanUnloadNow();

// Exported by name in the module definition as well: link-time optimization
// sees only what the source marks.
__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, morvex::remote::kClsidBatchingCursor)) return PrxDllGetClassObject(clsid, iid, out);
  auto *factory = new (std::nothrow) morvex::proxy::CursorFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() {
  if (!morvex::proxy::ModuleUnused()) return S_FALSE;
  return PrxDllCanUnloadNow();
}
}
