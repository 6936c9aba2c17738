// Worker threads through the C run-time's _beginthreadex, waited for with
// WaitForSingleObject.
#include <windows.h>
#include <process.h>

#include <cstdint>

#include "platform/threads.h"

namespace hf::platform {

ThreadHandle StartThread(ThreadProc proc, void *arg) noexcept {
  if (proc == nullptr) return nullptr;
  // Default security and stack size, running at once, no thread id asked for.
  const std::uintptr_t thread = _beginthreadex(nullptr, 0, proc, arg, 0, nullptr);
  return reinterpret_cast<ThreadHandle>(thread);
}

void JoinThread(ThreadHandle thread) noexcept {
  if (thread == nullptr) return;
  WaitForSingleObject(static_cast<HANDLE>(thread), INFINITE);
  CloseHandle(static_cast<HANDLE>(thread));
}

}  // namespace hf::platform
