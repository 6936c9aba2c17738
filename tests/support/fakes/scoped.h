// Installs a replacement for one platform service for the lifetime of the
// object and puts back whatever was installed before.
#pragma once

#include "platform/clock.h"
#include "platform/com_runtime.h"
#include "platform/modules.h"
#include "platform/settings_store.h"

namespace hf::fakes {

template <typename Service, Service *(*Install)(Service *)>
class ScopedService {
 public:
  explicit ScopedService(Service &service) : previous_(Install(&service)) {}
  ~ScopedService() { Install(previous_); }
  ScopedService(const ScopedService &) = delete;
  ScopedService &operator=(const ScopedService &) = delete;

 private:
  Service *previous_;
};

using ScopedSettings = ScopedService<platform::SettingsStore, platform::SetSettingsForTesting>;
using ScopedClock = ScopedService<platform::Clock, platform::SetClockForTesting>;
using ScopedCom = ScopedService<platform::ComRuntime, platform::SetComForTesting>;
using ScopedModules = ScopedService<platform::Modules, platform::SetModulesForTesting>;

}  // namespace hf::fakes
