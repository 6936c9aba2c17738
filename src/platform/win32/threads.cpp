// Worker threads through the C run-time's _beginthreadex, waited for with
// WaitForSingleObject.
#include <windows.h>
#include <process.h>

#include <cstdint>

#include "platform/threads.h"

namespace hf::platform {
namespace {

// Any address inside this library identifies it to the loader.
const char kModuleAnchor = 0;

void PinThisLibrary() noexcept {
  HMODULE module = nullptr;
  static_cast<void>(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                       reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module));
}

}  // namespace

ThreadHandle StartThread(ThreadProc proc, void *arg) noexcept {
  if (proc == nullptr) return nullptr;
  // Default security and stack size, running at once, no thread id asked for.
  const std::uintptr_t thread = _beginthreadex(nullptr, 0, proc, arg, 0, nullptr);
  return reinterpret_cast<ThreadHandle>(thread);
}

bool JoinThread(ThreadHandle thread, std::uint32_t milliseconds) noexcept {
  if (thread == nullptr) return true;
  // INFINITE is all bits set; the longest finite wait is one less.
  const DWORD wait = milliseconds == INFINITE ? INFINITE - 1 : milliseconds;
  const bool finished = WaitForSingleObject(static_cast<HANDLE>(thread), wait) == WAIT_OBJECT_0;
  if (!finished) PinThisLibrary();
  CloseHandle(static_cast<HANDLE>(thread));
  return finished;
}

}  // namespace hf::platform
