#include "served_engine.h"

#include <new>

#include "marshaling_cursor.h"
#include "server_lifetime.h"

namespace morvex::server {

ServedEngine::ServedEngine(hf::ILogEngine *engine, const ServeOptions &options) noexcept
    : engine_(engine), options_(options) {
  ObjectStarted();
}

ServedEngine::~ServedEngine() {
  engine_.Reset();
  ObjectEnded();
}

HRESULT STDMETHODCALLTYPE ServedEngine::QueryInterface(REFIID iid, void **out) {
  CallScope call;
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ILogEngine)) {
    AddRef();
    *out = static_cast<ILogEngine *>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ServedEngine::AddRef() {
  CallScope call;
  return refs_.Add();
}

ULONG STDMETHODCALLTYPE ServedEngine::Release() {
  CallScope call;
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ServedEngine::OpenFirstLog(ILogCursor **cursor) {
  return Open(&hf::ILogEngine::OpenFirstLog, cursor);
}

HRESULT STDMETHODCALLTYPE ServedEngine::OpenSecondLog(ILogCursor **cursor) {
  return Open(&hf::ILogEngine::OpenSecondLog, cursor);
}

HRESULT ServedEngine::Open(OpenLog open, ILogCursor **cursor) {
  CallScope call;
  if (cursor == nullptr) return E_POINTER;
  *cursor = nullptr;
  hf::ILogCursor *engineCursor = nullptr;
  const HRESULT result = (engine_.Get()->*open)(&engineCursor);
  if (FAILED(result)) return result;
  if (engineCursor == nullptr) return E_FAIL;
  auto *wrapped = new (std::nothrow) MarshalingCursor(engineCursor, options_);
  if (wrapped == nullptr) {
    engineCursor->Release();
    return E_OUTOFMEMORY;
  }
  *cursor = wrapped;
  return S_OK;
}

}  // namespace morvex::server
