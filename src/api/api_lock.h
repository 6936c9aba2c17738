// The lock that serialises the exported functions within a process.
#pragma once

#include <mutex>

namespace hf {

// Held for the whole of each exported call, so that two host threads never
// empty or reload the process-wide lists under each other.
std::mutex &ApiLock() noexcept;

}  // namespace hf
