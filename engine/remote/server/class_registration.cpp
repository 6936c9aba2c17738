#include "class_registration.h"

#include <objbase.h>

namespace morvex::server {

HRESULT ClassRegistration::RegisterLocked() noexcept {
  // A class may be registered once per process: the used registration goes first.
  RevokeLocked();
  const HRESULT result = ::CoRegisterClassObject(clsid_, factory_, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie_);
  registered_ = SUCCEEDED(result);
  return result;
}

void ClassRegistration::RevokeLocked() noexcept {
  if (registered_) ::CoRevokeClassObject(cookie_);
  registered_ = false;
  renewed_ = false;
}

HRESULT ClassRegistration::Register() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return S_FALSE;
  return RegisterLocked();
}

HRESULT ClassRegistration::Renew() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return S_FALSE;
  const HRESULT result = RegisterLocked();
  renewed_ = registered_;
  renewedAt_ = Clock::now();
  return result;
}

void ClassRegistration::Expire() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (renewed_ && Clock::now() - renewedAt_ >= renewal_) RevokeLocked();
}

std::uint32_t ClassRegistration::RenewalLeftMs() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!renewed_) return 0;
  const auto left = renewal_ - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - renewedAt_);
  return left.count() > 0 ? static_cast<std::uint32_t>(left.count()) : 0;
}

void ClassRegistration::Revoke(bool closing) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closing) closed_ = true;
  RevokeLocked();
}

}  // namespace morvex::server
