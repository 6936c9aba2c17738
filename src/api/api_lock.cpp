#include "api/api_lock.h"

namespace hf {

std::mutex &ApiLock() noexcept {
  // std::mutex has a constexpr constructor: initialised before any call.
  static std::mutex lock;
  return lock;
}

}  // namespace hf
