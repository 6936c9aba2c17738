// The server's registration of the engine class with COM. Each registration
// is single-use, so a server that dies leaves nothing behind that later
// activations would stumble on. Wine starts a server for one waiting
// activation and polls for its class (once a second), while another
// activation may take that single use first; so once the class object has
// been used the server registers it again, for a few seconds only: a server
// killed while registered leaves an entry that fails the next activation.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <chrono>
#include <cstdint>
#include <mutex>

namespace morvex::server {

class ClassRegistration {
 public:
  ClassRegistration(const CLSID &clsid, IUnknown *factory, std::uint32_t renewalMs) noexcept
      : clsid_(clsid), factory_(factory), renewal_(renewalMs) {}
  // Revokes what is registered: a server must never end registered.
  ~ClassRegistration() { Revoke(); }
  ClassRegistration(const ClassRegistration &) = delete;
  ClassRegistration &operator=(const ClassRegistration &) = delete;

  // Registers the class for the client that started the server; it stays
  // until used.
  HRESULT Register() noexcept;
  // After a use: registers the class again, for renewalMs, unless Revoke has
  // closed registration for good.
  HRESULT Renew() noexcept;
  // Revokes a renewal older than its time.
  void Expire() noexcept;
  // The time a renewal has left, 0 when none is registered.
  std::uint32_t RenewalLeftMs() noexcept;
  // Revokes the current registration; with closing, no Renew registers again.
  void Revoke(bool closing = false) noexcept;

 private:
  using Clock = std::chrono::steady_clock;
  HRESULT RegisterLocked() noexcept;
  void RevokeLocked() noexcept;

  std::mutex mutex_;
  CLSID clsid_;
  IUnknown *factory_;
  std::chrono::milliseconds renewal_;
  DWORD cookie_ = 0;
  bool registered_ = false;
  bool renewed_ = false;  // the registration is a renewal, revoked when old
  Clock::time_point renewedAt_;
  bool closed_ = false;
};

}  // namespace morvex::server
