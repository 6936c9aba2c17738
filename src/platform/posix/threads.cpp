// POSIX threads for the rebuild, through std::thread.
#include <new>
#include <thread>

#include "platform/threads.h"

namespace hf::platform {

ThreadHandle StartThread(ThreadProc proc, void *arg) noexcept {
  if (proc == nullptr) return nullptr;
  try {
    // The procedure itself lets nothing escape; the guard keeps that true for any caller.
    return new std::thread([proc, arg]() noexcept {
      try {
        static_cast<void>(proc(arg));
      } catch (...) {
      }
    });
  } catch (...) {
    return nullptr;  // no memory, or the system refused a new thread
  }
}

void JoinThread(ThreadHandle thread) noexcept {
  if (thread == nullptr) return;
  auto *running = static_cast<std::thread *>(thread);
  try {
    if (running->joinable()) running->join();
  } catch (...) {
    // join fails only for a thread that cannot be joined (such as the caller
    // itself); let it go rather than end the process.
    if (running->joinable()) running->detach();
  }
  delete running;
}

}  // namespace hf::platform
