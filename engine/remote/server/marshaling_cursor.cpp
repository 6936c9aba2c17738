#include "marshaling_cursor.h"

#include <new>

#include "batch_source.h"
#include "cursor_query.h"
#include "record_batch.h"
#include "remote_ids.h"
#include "server_lifetime.h"

namespace morvex::server {
namespace {

// By value only to another process of this machine, for a normal one-time
// marshaling of the cursor itself.
bool TravelsByValue(REFIID iid, DWORD context, DWORD flags) {
  return context == MSHCTX_LOCAL && flags == MSHLFLAGS_NORMAL &&
         (IsEqualIID(iid, IID_ILogCursor) || IsEqualIID(iid, IID_IUnknown));
}

HRESULT WriteAll(IStream *stream, const void *data, ULONG size) {
  ULONG written = 0;
  const HRESULT result = stream->Write(data, size, &written);
  if (FAILED(result)) return result;
  return written == size ? S_OK : STG_E_MEDIUMFULL;
}

}  // namespace

MarshalingCursor::MarshalingCursor(hf::ILogCursor *cursor, const ServeOptions &options) noexcept
    : cursor_(cursor), options_(options) {
  ObjectStarted();
}

MarshalingCursor::~MarshalingCursor() {
  source_.Reset();
  cursor_.Reset();
  ObjectEnded();
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::QueryInterface(REFIID iid, void **out) {
  return remote::QueryCursor(this, iid, out);
}

ULONG STDMETHODCALLTYPE MarshalingCursor::AddRef() { return refs_.Add(); }

ULONG STDMETHODCALLTYPE MarshalingCursor::Release() {
  CallScope call;
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::Next(ULONG count, ILogRecord **records, ULONG *fetched) {
  CallScope call;
  std::uint32_t stored = 0;
  // The engine's record and the declared one share their layout.
  const HRESULT result =
      cursor_->Next(count, reinterpret_cast<hf::ILogRecord **>(records), fetched != nullptr ? &stored : nullptr);
  if (fetched != nullptr) *fetched = stored;
  return result;
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::Begin() {
  CallScope call;
  return cursor_->Begin();
}

HRESULT MarshalingCursor::StandardMarshaler(REFIID iid, DWORD context, void *contextData, DWORD flags,
                                            remote::ComRef<IMarshal> *marshaler) {
  return ::CoGetStandardMarshal(iid, static_cast<ILogCursor *>(this), context, contextData, flags,
                                marshaler->Put());
}

HRESULT MarshalingCursor::Source(remote::ComRef<ILogBatchSource> *source, BatchSource **made) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!source_) {
    made_ = new (std::nothrow) BatchSource(cursor_.Get(), options_);
    if (made_ == nullptr) return E_OUTOFMEMORY;
    source_ = remote::ComRef<ILogBatchSource>(made_);
  }
  source_->AddRef();
  *source = remote::ComRef<ILogBatchSource>(source_.Get());
  *made = made_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::GetUnmarshalClass(REFIID iid, void *object, DWORD context,
                                                              void *contextData, DWORD flags, CLSID *clsid) {
  CallScope call;
  if (clsid == nullptr) return E_POINTER;
  if (TravelsByValue(iid, context, flags)) {
    *clsid = remote::kClsidBatchingCursor;
    return S_OK;
  }
  remote::ComRef<IMarshal> standard;
  const HRESULT result = StandardMarshaler(iid, context, contextData, flags, &standard);
  if (FAILED(result)) return result;
  return standard->GetUnmarshalClass(iid, object, context, contextData, flags, clsid);
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::GetMarshalSizeMax(REFIID iid, void *object, DWORD context,
                                                              void *contextData, DWORD flags, DWORD *size) {
  CallScope call;
  if (size == nullptr) return E_POINTER;
  *size = 0;
  if (TravelsByValue(iid, context, flags)) {
    remote::ComRef<ILogBatchSource> source;
    BatchSource *made = nullptr;
    HRESULT result = Source(&source, &made);
    if (FAILED(result)) return result;
    ULONG sourceSize = 0;
    result = ::CoGetMarshalSizeMax(&sourceSize, IID_ILogBatchSource, source.Get(), context, contextData,
                                   MSHLFLAGS_NORMAL);
    if (FAILED(result)) return result;
    *size = sourceSize + static_cast<DWORD>(wire::kCursorHeaderSize + wire::kMaxSectionNameUnits * sizeof(wchar_t));
    return S_OK;
  }
  remote::ComRef<IMarshal> standard;
  const HRESULT result = StandardMarshaler(iid, context, contextData, flags, &standard);
  if (FAILED(result)) return result;
  return standard->GetMarshalSizeMax(iid, object, context, contextData, flags, size);
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::MarshalInterface(IStream *stream, REFIID iid, void *object,
                                                             DWORD context, void *contextData, DWORD flags) {
  CallScope call;
  if (stream == nullptr) return E_POINTER;
  if (TravelsByValue(iid, context, flags)) {
    remote::ComRef<ILogBatchSource> source;
    BatchSource *made = nullptr;
    HRESULT result = Source(&source, &made);
    if (FAILED(result)) return result;
    wire::CursorHeader header;
    header.batchRecords = options_.batchRecords;
    const std::wstring &name = made->SectionName();
    if (!name.empty() && name.size() <= wire::kMaxSectionNameUnits) {
      header.sectionBytes = made->SectionBytes();
      header.sectionNameUnits = static_cast<std::uint32_t>(name.size());
    }
    std::uint8_t bytes[wire::kCursorHeaderSize];
    wire::WriteCursorHeader(header, bytes);
    result = WriteAll(stream, bytes, sizeof bytes);
    if (SUCCEEDED(result) && header.sectionNameUnits > 0)
      result = WriteAll(stream, name.data(), static_cast<ULONG>(name.size() * sizeof(wchar_t)));
    if (FAILED(result)) return result;
    // The source goes by reference; marshaling this cursor again here would
    // come straight back to this function.
    return ::CoMarshalInterface(stream, IID_ILogBatchSource, source.Get(), context, contextData,
                                MSHLFLAGS_NORMAL);
  }
  remote::ComRef<IMarshal> standard;
  const HRESULT result = StandardMarshaler(iid, context, contextData, flags, &standard);
  if (FAILED(result)) return result;
  return standard->MarshalInterface(stream, iid, object, context, contextData, flags);
}

// Unmarshaling happens in the batching cursor of the proxy library, never here.
HRESULT STDMETHODCALLTYPE MarshalingCursor::UnmarshalInterface(IStream *, REFIID, void **out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE MarshalingCursor::ReleaseMarshalData(IStream *) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE MarshalingCursor::DisconnectObject(DWORD) { return S_OK; }

}  // namespace morvex::server
