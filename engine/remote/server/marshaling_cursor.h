// The engine's cursor as the server hands it out. Marshaled to another
// process it travels by value: a small header and a reference to a
// BatchSource, which the client's batching cursor fetches records from. Any
// other marshaling goes to the standard marshaler.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <mutex>

#include "abi/log_engine.h"
#include "com_ref.h"
#include "morvex_remote.h"
#include "ref_count.h"
#include "serve_options.h"

namespace morvex::server {

class BatchSource;

class MarshalingCursor final : public ILogCursor, public IMarshal {
 public:
  // Takes over the caller's reference to cursor.
  MarshalingCursor(hf::ILogCursor *cursor, const ServeOptions &options) noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // In the server's own process the engine cursor answers directly.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, ILogRecord **records, ULONG *fetched) override;
  HRESULT STDMETHODCALLTYPE Begin() override;

  HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID iid, void *object, DWORD context, void *contextData,
                                              DWORD flags, CLSID *clsid) override;
  HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID iid, void *object, DWORD context, void *contextData,
                                              DWORD flags, DWORD *size) override;
  HRESULT STDMETHODCALLTYPE MarshalInterface(IStream *stream, REFIID iid, void *object, DWORD context,
                                             void *contextData, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UnmarshalInterface(IStream *stream, REFIID iid, void **out) override;
  HRESULT STDMETHODCALLTYPE ReleaseMarshalData(IStream *stream) override;
  HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD reserved) override;

 private:
  ~MarshalingCursor();

  // The standard marshaler for this object, for what does not travel by value.
  HRESULT StandardMarshaler(REFIID iid, DWORD context, void *contextData, DWORD flags,
                            remote::ComRef<IMarshal> *marshaler);
  // The batch source of this cursor, made at the first marshaling.
  HRESULT Source(remote::ComRef<ILogBatchSource> *source, BatchSource **made);

  remote::RefCount refs_;
  remote::ComRef<hf::ILogCursor> cursor_;
  ServeOptions options_;
  std::mutex mutex_;
  remote::ComRef<ILogBatchSource> source_;
  BatchSource *made_ = nullptr;  // the same object as source_
};

}  // namespace morvex::server
