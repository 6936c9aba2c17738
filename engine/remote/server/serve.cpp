#include "serve.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <new>

#include "abi/log_engine.h"
#include "class_registration.h"
#include "com_ref.h"
#include "guid_text.h"
#include "server_factory.h"
#include "server_lifetime.h"

namespace morvex::server {
namespace {

// A renewed registration lasts long enough for a client polling once a
// second to find it.
constexpr std::uint32_t kRenewalMilliseconds = 3000;
// How long a server whose last object is gone waits for a client that
// already holds its class object.
constexpr std::uint32_t kLateClientMilliseconds = 1000;
constexpr std::uint32_t kTickMilliseconds = 250;

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
  remote::ComRef<ServerFactory> factory(new (std::nothrow) ServerFactory(options));
  if (!factory) return 1;
  auto registration = std::make_shared<ClassRegistration>(ToGuid(hf::kClsidLogEngine), factory.Get(),
                                                          kRenewalMilliseconds);
  factory->SetRegistration(registration);
  const HRESULT registered = registration->Register();
  if (FAILED(registered)) {
    std::fprintf(stderr, "MorvexServer: CoRegisterClassObject failed: 0x%08lX\n",
                 static_cast<unsigned long>(registered));
    return 1;
  }
  for (;;) {
    const EndReason reason = WaitForEnd(arguments.idleSeconds, kTickMilliseconds);
    registration->Expire();
    if (reason == EndReason::kStillServing) continue;
    if (reason == EndReason::kIdle) break;
    // The last object is gone, but a client may be about to take the renewed
    // registration.
    const std::uint32_t renewalLeft = registration->RenewalLeftMs();
    if (renewalLeft > 0 && WaitForObject(renewalLeft)) continue;
    // No new client may find this server now; one that already holds the
    // class object gets a moment to use it.
    registration->Revoke(true);
    if (!WaitForObject(kLateClientMilliseconds)) break;
  }
  registration->Revoke(true);
  return 0;
}

}  // namespace morvex::server
