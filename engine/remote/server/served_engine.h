// The engine object as the server hands it out: each cursor it opens is
// wrapped so that it travels to the client by value.
#pragma once

#include <windows.h>

#include "abi/log_engine.h"
#include "com_ref.h"
#include "morvex_remote.h"
#include "ref_count.h"
#include "serve_options.h"

namespace morvex::server {

class ServedEngine final : public ILogEngine {
 public:
  // Takes over the caller's reference to engine.
  ServedEngine(hf::ILogEngine *engine, const ServeOptions &options) noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OpenFirstLog(ILogCursor **cursor) override;
  HRESULT STDMETHODCALLTYPE OpenSecondLog(ILogCursor **cursor) override;

 private:
  ~ServedEngine();
  using OpenLog = hf::HRESULT (hf::ILogEngine::*)(hf::ILogCursor **);
  HRESULT Open(OpenLog open, ILogCursor **cursor);

  remote::RefCount refs_;
  remote::ComRef<hf::ILogEngine> engine_;
  ServeOptions options_;
};

}  // namespace morvex::server
