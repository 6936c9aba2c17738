// A record in the client's process: a copy of the server's record, whose
// texts stay valid until its last Release, as the engine's own do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "morvex_remote.h"
#include "record_batch.h"
#include "ref_count.h"

namespace morvex::proxy {

class ClientRecord final : public ILogRecord {
 public:
  ClientRecord() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetObjectPath(const WCHAR **text) override;
  HRESULT STDMETHODCALLTYPE GetSecondText(const WCHAR **text) override;
  HRESULT STDMETHODCALLTYPE GetNumber(LONG *number) override;
  HRESULT STDMETHODCALLTYPE GetTime(SYSTEMTIME *time) override;

  // Copies one record of a checked batch. Throws std::bad_alloc.
  void Fill(const std::uint8_t *batch, const wire::RecordView &view);
  // True when only its creator holds it, so it may be filled again.
  bool Reusable() const noexcept { return refs_.Sole(); }

 private:
  ~ClientRecord();

  remote::RefCount refs_;
  std::vector<WCHAR> texts_;  // the path, NUL, the second text, NUL
  std::size_t secondOffset_ = 0;
  LONG number_ = 0;
  SYSTEMTIME time_{};
};

}  // namespace morvex::proxy
