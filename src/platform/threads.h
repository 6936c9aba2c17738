// Worker threads for the rebuild.
#pragma once

#include <cstdint>

namespace hf::platform {

using ThreadHandle = void *;
using ThreadProc = unsigned (*)(void *arg);

// Starts proc(arg) on a new thread that runs at once; nullptr when it cannot be started.
ThreadHandle StartThread(ThreadProc proc, void *arg) noexcept;

// Waits at most milliseconds for the thread to finish, then releases its
// handle either way. True when it finished. A thread still running is left
// to run on its own, and this library then stays loaded for the rest of the
// process, since the thread's code lives in it.
bool JoinThread(ThreadHandle thread, std::uint32_t milliseconds) noexcept;

}  // namespace hf::platform
