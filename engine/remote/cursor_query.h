// QueryInterface of a cursor that marshals itself (the server's and the
// client's): IUnknown and ILogCursor, and IMarshal.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "morvex_remote.h"

namespace morvex::remote {

template <class Cursor>
HRESULT QueryCursor(Cursor *cursor, REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ILogCursor)) {
    *out = static_cast<ILogCursor *>(cursor);
  } else if (IsEqualIID(iid, IID_IMarshal)) {
    *out = static_cast<IMarshal *>(cursor);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  cursor->AddRef();
  return S_OK;
}

}  // namespace morvex::remote
