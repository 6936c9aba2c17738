// The class factory the server registers for the engine class.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <memory>

#include "class_registration.h"
#include "ref_count.h"
#include "serve_options.h"

namespace morvex::server {

class ServerFactory final : public IClassFactory {
 public:
  explicit ServerFactory(const ServeOptions &options) noexcept : options_(options) {}

  // The registration to renew after each object made; set before the first
  // registration.
  void SetRegistration(std::shared_ptr<ClassRegistration> registration) noexcept {
    registration_ = std::move(registration);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // A new engine object for each call; no aggregation. Registers the class
  // again, since the single-use registration that led here is used up.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override;
  // A lock keeps the server running like an object does.
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~ServerFactory() = default;

  remote::RefCount refs_;
  ServeOptions options_;
  std::atomic<long> locks_{0};
  std::shared_ptr<ClassRegistration> registration_;
};

}  // namespace morvex::server
