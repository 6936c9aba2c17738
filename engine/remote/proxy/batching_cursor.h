// The client's side of a cursor that travels by value: unmarshaled from the
// server's header and batch source reference, it answers Next from a batch
// of records it fetched in one call, and fetches the next batch when that
// one is used up.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com_ref.h"
#include "morvex_remote.h"
#include "record_batch.h"
#include "ref_count.h"
#include "shared_section.h"

namespace morvex::proxy {

class ClientRecord;

class BatchingCursor final : public ILogCursor, public IMarshal {
 public:
  BatchingCursor() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // As the engine's cursor: S_OK when count records were stored, S_FALSE
  // when the log ended first. A failed fetch (the server gone, a damaged
  // batch) is answered as it is when nothing was stored yet.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, ILogRecord **records, ULONG *fetched) override;
  // Restarts at the first record, dropping what is buffered.
  HRESULT STDMETHODCALLTYPE Begin() override;

  // Reads from source (a reference of its own), batchRecords records a
  // fetch, through the shared section of that name and size when it opens;
  // what UnmarshalInterface does with what it read.
  void Attach(ILogBatchSource *source, std::uint32_t batchRecords, const std::wstring &sectionName = {},
              std::uint32_t sectionBytes = 0) noexcept;

  // Reads the header and the batch source reference the server wrote.
  HRESULT STDMETHODCALLTYPE UnmarshalInterface(IStream *stream, REFIID iid, void **out) override;
  HRESULT STDMETHODCALLTYPE ReleaseMarshalData(IStream *stream) override;
  HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD reserved) override;
  // Marshaling this client cursor on goes to the standard marshaler.
  HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID iid, void *object, DWORD context, void *contextData,
                                              DWORD flags, CLSID *clsid) override;
  HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID iid, void *object, DWORD context, void *contextData,
                                              DWORD flags, DWORD *size) override;
  HRESULT STDMETHODCALLTYPE MarshalInterface(IStream *stream, REFIID iid, void *object, DWORD context,
                                             void *contextData, DWORD flags) override;

 private:
  ~BatchingCursor();

  struct TaskMemFree {
    void operator()(byte *bytes) const noexcept { ::CoTaskMemFree(bytes); }
  };

  // Replaces the buffered batch with the next one from the server.
  HRESULT Refill();
  void DropBatch() noexcept;
  // A record to fill: the spare one when its caller has released it, else a new one.
  ClientRecord *TakeRecord();
  HRESULT StandardMarshaler(REFIID iid, DWORD context, void *contextData, DWORD flags,
                            remote::ComRef<IMarshal> *marshaler);

  remote::RefCount refs_;
  remote::ComRef<ILogBatchSource> source_;
  std::uint32_t batchRecords_ = 1;
  remote::SharedSection section_;
  std::unique_ptr<byte, TaskMemFree> received_;  // a batch that came in the call
  const std::uint8_t *batch_ = nullptr;         // the current batch: received_ or the section
  std::vector<wire::RecordView> views_;
  std::size_t next_ = 0;  // the first view not yet handed out
  bool ended_ = false;    // the server said the log has ended
  ClientRecord *spare_ = nullptr;  // holds one reference of the cursor's
};

}  // namespace morvex::proxy
