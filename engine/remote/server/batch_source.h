// The server side of a cursor that travels by value: reads the engine cursor
// and hands its records out in batches.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "abi/log_engine.h"
#include "com_ref.h"
#include "morvex_remote.h"
#include "ref_count.h"
#include "serve_options.h"
#include "shared_section.h"

namespace morvex::server {

class BatchSource final : public ILogBatchSource {
 public:
  // Holds a reference of its own to cursor; makes the shared section when it can.
  BatchSource(hf::ILogCursor *cursor, const ServeOptions &options) noexcept;

  // The shared section's name and size; empty and 0 when there is none.
  const std::wstring &SectionName() const noexcept { return section_.Name(); }
  std::uint32_t SectionBytes() const noexcept { return section_.Size(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // Restarts the engine cursor at the log's first record.
  HRESULT STDMETHODCALLTYPE Begin() override;
  // Up to maxRecords records as one batch: in the shared section when shared
  // is set and the batch fits (its size in sharedSize), else in memory from
  // CoTaskMemAlloc. S_OK while the log goes on, S_FALSE once it has ended (the
  // batch may still hold its last records), a failure with no batch when
  // nothing could be read.
  HRESULT STDMETHODCALLTYPE Fetch(ULONG maxRecords, BOOL shared, ULONG *sharedSize, ULONG *size,
                                  byte **batch) override;

 private:
  ~BatchSource();

  remote::RefCount refs_;
  std::mutex mutex_;  // one call at a time on the engine cursor
  remote::ComRef<hf::ILogCursor> cursor_;
  ServeOptions options_;
  std::uint64_t delivered_ = 0;
  remote::SharedSection section_;
};

}  // namespace morvex::server
