#include "batch_source.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "record_batch.h"
#include "server_lifetime.h"

namespace morvex::server {
namespace {

constexpr ULONG kMaxRecordsPerFetch = 65536;

std::uint32_t TextUnits(const hf::NativeChar16 *text) noexcept {
  std::uint32_t units = 0;
  if (text != nullptr)
    while (text[units] != 0) ++units;
  return units;
}

// Copies one engine record into the batch.
HRESULT AddRecord(hf::ILogRecord *record, wire::BatchWriter &writer) {
  const hf::NativeChar16 *path = nullptr;
  const hf::NativeChar16 *second = nullptr;
  std::int32_t number = 0;
  hf::Timestamp time{};
  HRESULT result = record->GetObjectPath(&path);
  if (SUCCEEDED(result)) result = record->GetSecondText(&second);
  if (SUCCEEDED(result)) result = record->GetNumber(&number);
  if (SUCCEEDED(result)) result = record->GetTime(&time);
  if (FAILED(result)) return result;
  writer.Add(path, TextUnits(path), second, TextUnits(second), number, time);
  return S_OK;
}

}  // namespace

BatchSource::BatchSource(hf::ILogCursor *cursor, const ServeOptions &options) noexcept
    : options_(options) {
  cursor->AddRef();
  cursor_ = remote::ComRef<hf::ILogCursor>(cursor);
  // Without a section every batch comes in the call.
  if (options_.sectionBytes > 0) static_cast<void>(section_.Create(options_.sectionBytes));
  ObjectStarted();
}

BatchSource::~BatchSource() { ObjectEnded(); }

HRESULT STDMETHODCALLTYPE BatchSource::QueryInterface(REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ILogBatchSource)) {
    AddRef();
    *out = static_cast<ILogBatchSource *>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE BatchSource::AddRef() {
  CallScope call;
  return refs_.Add();
}

ULONG STDMETHODCALLTYPE BatchSource::Release() {
  CallScope call;
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE BatchSource::Begin() {
  CallScope call;
  std::lock_guard<std::mutex> lock(mutex_);
  return cursor_->Begin();
}

HRESULT STDMETHODCALLTYPE BatchSource::Fetch(ULONG maxRecords, BOOL shared, ULONG *sharedSize, ULONG *size,
                                             byte **batch) {
  CallScope call;
  if (sharedSize == nullptr || size == nullptr || batch == nullptr) return E_POINTER;
  *sharedSize = 0;
  *size = 0;
  *batch = nullptr;
  if (maxRecords == 0) return E_INVALIDARG;
  std::lock_guard<std::mutex> lock(mutex_);
  ULONG want = std::min(maxRecords, kMaxRecordsPerFetch);
  if (options_.hang) {
    if (delivered_ >= options_.hangAfter) {
      // Stands for a server that stops answering; only killing it ends this.
      for (;;) ::Sleep(INFINITE);
    }
    want = static_cast<ULONG>(std::min<std::uint64_t>(want, options_.hangAfter - delivered_));
  }
  bool ended = false;
  try {
    wire::BatchWriter writer;
    // At least one record a batch, however small the byte limit.
    while (writer.Count() < want && (writer.Count() == 0 || writer.Size() < options_.batchBytes)) {
      hf::ILogRecord *record = nullptr;
      std::uint32_t fetched = 0;
      const HRESULT next = cursor_->Next(1, &record, &fetched);
      if (FAILED(next)) {
        // Records already taken still go out; the failure shows on the next fetch.
        if (writer.Count() == 0) return next;
        break;
      }
      if (fetched == 0 || record == nullptr) {
        ended = true;
        break;
      }
      const HRESULT added = AddRecord(record, writer);
      record->Release();
      if (FAILED(added)) {
        if (writer.Count() == 0) return added;
        break;
      }
    }
    if (shared && section_.IsOpen() && writer.Size() <= section_.Size()) {
      std::memcpy(section_.Data(), writer.Data(), writer.Size());
      *sharedSize = static_cast<ULONG>(writer.Size());
    } else {
      auto *bytes = static_cast<byte *>(::CoTaskMemAlloc(writer.Size()));
      if (bytes == nullptr) return E_OUTOFMEMORY;
      std::memcpy(bytes, writer.Data(), writer.Size());
      *batch = bytes;
      *size = static_cast<ULONG>(writer.Size());
    }
    delivered_ += writer.Count();
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
  return ended ? S_FALSE : S_OK;
}

}  // namespace morvex::server
