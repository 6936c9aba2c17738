// One platform service that a test may replace: the system's own unless an
// override is installed. Read by worker threads, written only by tests.
#pragma once

#include <atomic>

namespace hf::platform {

template <typename Service, Service &(*System)()>
class Replaceable {
 public:
  Service &Current() const noexcept {
    Service *service = override_.load(std::memory_order_acquire);
    return service != nullptr ? *service : System();
  }
  // nullptr restores the system's own; returns the previous override.
  Service *Replace(Service *service) noexcept {
    return override_.exchange(service, std::memory_order_acq_rel);
  }

 private:
  std::atomic<Service *> override_{nullptr};
};

}  // namespace hf::platform
