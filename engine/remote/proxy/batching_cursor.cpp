#include "batching_cursor.h"

#include <new>

#include "client_record.h"
#include "module_count.h"

namespace morvex::proxy {
namespace {

// The largest fetch a client asks for, whatever a header says.
constexpr std::uint32_t kMaxBatchRecords = 65536;

HRESULT ReadAll(IStream *stream, void *data, ULONG size) {
  ULONG read = 0;
  const HRESULT result = stream->Read(data, size, &read);
  if (FAILED(result)) return result;
  return read == size ? S_OK : RPC_E_INVALID_DATA;
}

HRESULT ReadHeader(IStream *stream, wire::CursorHeader *header) {
  if (stream == nullptr) return E_POINTER;
  std::uint8_t bytes[wire::kCursorHeaderSize];
  const HRESULT result = ReadAll(stream, bytes, sizeof bytes);
  if (FAILED(result)) return result;
  return wire::ReadCursorHeader(bytes, header) ? S_OK : RPC_E_INVALID_DATA;
}

}  // namespace

BatchingCursor::BatchingCursor() noexcept { ModuleAddRef(); }

BatchingCursor::~BatchingCursor() {
  if (spare_ != nullptr) spare_->Release();
  ModuleRelease();
}

HRESULT STDMETHODCALLTYPE BatchingCursor::QueryInterface(REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ILogCursor)) {
    *out = static_cast<ILogCursor *>(this);
  } else if (IsEqualIID(iid, IID_IMarshal)) {
    *out = static_cast<IMarshal *>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE BatchingCursor::AddRef() { return refs_.Add(); }

ULONG STDMETHODCALLTYPE BatchingCursor::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

void BatchingCursor::DropBatch() noexcept {
  views_.clear();
  batch_.reset();
  next_ = 0;
}

HRESULT BatchingCursor::Refill() {
  DropBatch();
  if (!source_) return E_UNEXPECTED;
  ULONG size = 0;
  byte *bytes = nullptr;
  const HRESULT result = source_->Fetch(batchRecords_, &size, &bytes);
  batch_.reset(bytes);
  if (FAILED(result)) return result;
  if (!wire::ParseBatch(batch_.get(), size, &views_)) {
    DropBatch();
    return RPC_E_INVALID_DATA;
  }
  if (result == S_FALSE) {
    ended_ = true;
  } else if (views_.empty()) {
    // A source that goes on must send something, or Next would ask forever.
    return RPC_E_INVALID_DATA;
  }
  return S_OK;
}

ClientRecord *BatchingCursor::TakeRecord() {
  if (spare_ != nullptr && spare_->Reusable()) {
    spare_->AddRef();
    return spare_;
  }
  auto *record = new ClientRecord();  // one reference for the caller
  if (spare_ != nullptr) spare_->Release();
  record->AddRef();  // and one for the cursor
  spare_ = record;
  return record;
}

HRESULT STDMETHODCALLTYPE BatchingCursor::Next(ULONG count, ILogRecord **records, ULONG *fetched) {
  if (fetched != nullptr) *fetched = 0;
  if (count == 0) return S_OK;
  if (records == nullptr || (count > 1 && fetched == nullptr)) return E_INVALIDARG;
  ULONG stored = 0;
  try {
    while (stored < count) {
      if (next_ == views_.size()) {
        if (ended_) break;
        const HRESULT refilled = Refill();
        if (FAILED(refilled)) {
          if (stored == 0) return refilled;
          break;
        }
        if (views_.empty()) break;
      }
      ClientRecord *record = TakeRecord();
      try {
        record->Fill(batch_.get(), views_[next_]);
      } catch (...) {
        record->Release();
        throw;
      }
      ++next_;
      records[stored++] = record;
    }
  } catch (const std::bad_alloc &) {
    if (stored == 0) return E_OUTOFMEMORY;
  }
  if (fetched != nullptr) *fetched = stored;
  return stored == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE BatchingCursor::Begin() {
  if (!source_) return E_UNEXPECTED;
  DropBatch();
  ended_ = false;
  return source_->Begin();
}

HRESULT STDMETHODCALLTYPE BatchingCursor::UnmarshalInterface(IStream *stream, REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  wire::CursorHeader header;
  HRESULT result = ReadHeader(stream, &header);
  if (FAILED(result)) return result;
  remote::ComRef<ILogBatchSource> source;
  result = ::CoUnmarshalInterface(stream, IID_ILogBatchSource, source.PutVoid());
  if (FAILED(result)) return result;
  Attach(source.Get(), header.batchRecords);
  return QueryInterface(iid, out);
}

void BatchingCursor::Attach(ILogBatchSource *source, std::uint32_t batchRecords) noexcept {
  DropBatch();
  ended_ = false;
  if (source != nullptr) source->AddRef();
  source_ = remote::ComRef<ILogBatchSource>(source);
  batchRecords_ = batchRecords == 0 ? 1 : batchRecords < kMaxBatchRecords ? batchRecords : kMaxBatchRecords;
}

HRESULT STDMETHODCALLTYPE BatchingCursor::ReleaseMarshalData(IStream *stream) {
  wire::CursorHeader header;
  const HRESULT result = ReadHeader(stream, &header);
  if (FAILED(result)) return result;
  return ::CoReleaseMarshalData(stream);
}

HRESULT STDMETHODCALLTYPE BatchingCursor::DisconnectObject(DWORD) { return S_OK; }

HRESULT BatchingCursor::StandardMarshaler(REFIID iid, DWORD context, void *contextData, DWORD flags,
                                          remote::ComRef<IMarshal> *marshaler) {
  return ::CoGetStandardMarshal(iid, static_cast<ILogCursor *>(this), context, contextData, flags,
                                marshaler->Put());
}

HRESULT STDMETHODCALLTYPE BatchingCursor::GetUnmarshalClass(REFIID iid, void *object, DWORD context,
                                                            void *contextData, DWORD flags, CLSID *clsid) {
  remote::ComRef<IMarshal> standard;
  const HRESULT result = StandardMarshaler(iid, context, contextData, flags, &standard);
  if (FAILED(result)) return result;
  return standard->GetUnmarshalClass(iid, object, context, contextData, flags, clsid);
}

HRESULT STDMETHODCALLTYPE BatchingCursor::GetMarshalSizeMax(REFIID iid, void *object, DWORD context,
                                                            void *contextData, DWORD flags, DWORD *size) {
  remote::ComRef<IMarshal> standard;
  const HRESULT result = StandardMarshaler(iid, context, contextData, flags, &standard);
  if (FAILED(result)) return result;
  return standard->GetMarshalSizeMax(iid, object, context, contextData, flags, size);
}

HRESULT STDMETHODCALLTYPE BatchingCursor::MarshalInterface(IStream *stream, REFIID iid, void *object,
                                                           DWORD context, void *contextData, DWORD flags) {
  remote::ComRef<IMarshal> standard;
  const HRESULT result = StandardMarshaler(iid, context, contextData, flags, &standard);
  if (FAILED(result)) return result;
  return standard->MarshalInterface(stream, iid, object, context, contextData, flags);
}

}  // namespace morvex::proxy
