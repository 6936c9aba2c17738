#include "serve.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <new>

#include "abi/log_engine.h"
#include "com_ref.h"
#include "guid_text.h"
#include "server_factory.h"
#include "server_lifetime.h"

namespace morvex::server {
namespace {

// The apartment of the serving thread, left when the run ends.
class Apartment {
 public:
  Apartment() noexcept : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~Apartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  Apartment(const Apartment &) = delete;
  Apartment &operator=(const Apartment &) = delete;
  HRESULT Result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

// The class object's registration, revoked on every way out: a server that
// ends without revoking it can leave the class unusable for later activations.
class ClassRegistration {
 public:
  ClassRegistration(const CLSID &clsid, IUnknown *factory) noexcept
      : result_(::CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie_)) {}
  ~ClassRegistration() {
    if (SUCCEEDED(result_)) ::CoRevokeClassObject(cookie_);
  }
  ClassRegistration(const ClassRegistration &) = delete;
  ClassRegistration &operator=(const ClassRegistration &) = delete;
  HRESULT Result() const noexcept { return result_; }

 private:
  DWORD cookie_ = 0;
  HRESULT result_;
};

}  // namespace

int Serve(const ServerArguments &arguments) {
  // The engine reads its history directory from the environment at each open.
  if (!arguments.history.empty() && !::SetEnvironmentVariableW(L"MORVEX_HISTORY_DIR", arguments.history.c_str())) {
    std::fputs("MorvexServer: cannot set the history directory\n", stderr);
    return 1;
  }
  Apartment apartment;
  if (FAILED(apartment.Result())) {
    std::fprintf(stderr, "MorvexServer: CoInitializeEx failed: 0x%08lX\n",
                 static_cast<unsigned long>(apartment.Result()));
    return 1;
  }
  ServeOptions options;
  options.hang = arguments.hang;
  options.hangAfter = arguments.hangAfter;
  remote::ComRef<IClassFactory> factory(new (std::nothrow) ServerFactory(options));
  if (!factory) return 1;
  {
    ClassRegistration registration(ToGuid(hf::kClsidLogEngine), factory.Get());
    if (FAILED(registration.Result())) {
      std::fprintf(stderr, "MorvexServer: CoRegisterClassObject failed: 0x%08lX\n",
                   static_cast<unsigned long>(registration.Result()));
      return 1;
    }
    WaitForEnd(arguments.idleSeconds);
  }
  return 0;
}

}  // namespace morvex::server
