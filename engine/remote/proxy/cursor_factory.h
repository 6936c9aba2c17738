// The class factory of the batching cursor, which COM asks for when it
// unmarshals a cursor that travelled by value.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "ref_count.h"

namespace morvex::proxy {

class CursorFactory final : public IClassFactory {
 public:
  CursorFactory() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~CursorFactory();

  remote::RefCount refs_;
};

}  // namespace morvex::proxy
