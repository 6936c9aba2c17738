// Worker threads for the rebuild.
#pragma once

namespace hf::platform {

using ThreadHandle = void *;
using ThreadProc = unsigned (*)(void *arg);

// Starts proc(arg) on a new thread that runs at once; nullptr when it cannot be started.
ThreadHandle StartThread(ThreadProc proc, void *arg) noexcept;

// Waits without a time-out for the thread to finish, then releases its handle.
void JoinThread(ThreadHandle thread) noexcept;

}  // namespace hf::platform
