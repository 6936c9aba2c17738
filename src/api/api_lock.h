// The lock that serialises the exported functions within a process.
#pragma once

#include <mutex>

namespace hf {

// Held for the whole of each exported call, so that the calls of two host
// threads never interleave their reads and writes of the settings.
std::mutex &ApiLock() noexcept;

}  // namespace hf
