#include "batching_cursor.h"

#include <new>

#include "client_record.h"
#include "cursor_query.h"
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

// Reads the cursor's header and the shared section's name after it.
HRESULT ReadHeader(IStream *stream, wire::CursorHeader *header, std::wstring *sectionName) {
  if (stream == nullptr) return E_POINTER;
  std::uint8_t bytes[wire::kCursorHeaderSize];
  HRESULT result = ReadAll(stream, bytes, sizeof bytes);
  if (FAILED(result)) return result;
  if (!wire::ReadCursorHeader(bytes, header)) return RPC_E_INVALID_DATA;
  wchar_t name[wire::kMaxSectionNameUnits];
  result = ReadAll(stream, name, header->sectionNameUnits * static_cast<ULONG>(sizeof(wchar_t)));
  if (FAILED(result)) return result;
  try {
    sectionName->assign(name, header->sectionNameUnits);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace

BatchingCursor::BatchingCursor() noexcept { ModuleAddRef(); }

BatchingCursor::~BatchingCursor() {
  if (spare_ != nullptr) spare_->Release();
  ModuleRelease();
}

HRESULT STDMETHODCALLTYPE BatchingCursor::QueryInterface(REFIID iid, void **out) {
  return remote::QueryCursor(this, iid, out);
}

ULONG STDMETHODCALLTYPE BatchingCursor::AddRef() { return refs_.Add(); }

ULONG STDMETHODCALLTYPE BatchingCursor::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

void BatchingCursor::DropBatch() noexcept {
  views_.clear();
  received_.reset();
  batch_ = nullptr;
  next_ = 0;
}

HRESULT BatchingCursor::Refill() {
  DropBatch();
  if (!source_) return E_UNEXPECTED;
  ULONG sharedSize = 0;
  ULONG size = 0;
  byte *bytes = nullptr;
  const HRESULT result = source_->Fetch(batchRecords_, section_.IsOpen(), &sharedSize, &size, &bytes);
  received_.reset(bytes);
  if (FAILED(result)) return result;
  // The batch is checked once here; Next reads only where the check found
  // the fields, whatever the server writes to the section meanwhile.
  if (sharedSize > 0) {
    if (!section_.IsOpen() || sharedSize > section_.Size() || received_) return RPC_E_INVALID_DATA;
    batch_ = section_.Data();
    size = sharedSize;
  } else {
    batch_ = received_.get();
  }
  if (!wire::ParseBatch(batch_, size, &views_)) {
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
        record->Fill(batch_, views_[next_]);
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
  std::wstring sectionName;
  HRESULT result = ReadHeader(stream, &header, &sectionName);
  if (FAILED(result)) return result;
  remote::ComRef<ILogBatchSource> source;
  result = ::CoUnmarshalInterface(stream, IID_ILogBatchSource, source.PutVoid());
  if (FAILED(result)) return result;
  Attach(source.Get(), header.batchRecords, sectionName, header.sectionBytes);
  return QueryInterface(iid, out);
}

void BatchingCursor::Attach(ILogBatchSource *source, std::uint32_t batchRecords, const std::wstring &sectionName,
                            std::uint32_t sectionBytes) noexcept {
  DropBatch();
  ended_ = false;
  // Without the section every batch comes in the call.
  section_.Close();
  if (!sectionName.empty()) static_cast<void>(section_.Open(sectionName, sectionBytes));
  if (source != nullptr) source->AddRef();
  source_ = remote::ComRef<ILogBatchSource>(source);
  batchRecords_ = batchRecords == 0 ? 1 : batchRecords < kMaxBatchRecords ? batchRecords : kMaxBatchRecords;
}

HRESULT STDMETHODCALLTYPE BatchingCursor::ReleaseMarshalData(IStream *stream) {
  wire::CursorHeader header;
  std::wstring sectionName;
  const HRESULT result = ReadHeader(stream, &header, &sectionName);
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
