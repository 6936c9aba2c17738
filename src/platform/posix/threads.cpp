// POSIX threads for the rebuild, through std::thread. A thread reports its end
// through a shared flag, so that it can be waited for with a time limit.
#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "platform/threads.h"

namespace hf::platform {
namespace {

struct Finish {
  std::mutex mutex;
  std::condition_variable changed;
  bool done = false;
};

struct PosixThread {
  std::shared_ptr<Finish> finish;  // shared with the thread, which may outlive the handle
  std::thread thread;
};

// Any address inside this library identifies it to the loader.
const char kModuleAnchor = 0;

void PinThisLibrary() noexcept {
  Dl_info info{};
  if (dladdr(&kModuleAnchor, &info) == 0 || info.dli_fname == nullptr) return;
  // Loaded already: NOLOAD only takes another reference, and NODELETE keeps
  // the library mapped whatever the host unloads later.
  static_cast<void>(dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE));
}

}  // namespace

ThreadHandle StartThread(ThreadProc proc, void *arg) noexcept {
  if (proc == nullptr) return nullptr;
  try {
    auto handle = std::make_unique<PosixThread>();
    handle->finish = std::make_shared<Finish>();
    // The procedure itself lets nothing escape; the guard keeps that true for any caller.
    handle->thread = std::thread([proc, arg, finish = handle->finish]() noexcept {
      try {
        static_cast<void>(proc(arg));
      } catch (...) {
      }
      std::lock_guard<std::mutex> hold(finish->mutex);
      finish->done = true;
      finish->changed.notify_all();
    });
    return handle.release();
  } catch (...) {
    return nullptr;  // no memory, or the system refused a new thread
  }
}

bool JoinThread(ThreadHandle thread, std::uint32_t milliseconds) noexcept {
  if (thread == nullptr) return true;
  std::unique_ptr<PosixThread> running(static_cast<PosixThread *>(thread));
  bool finished = false;
  try {
    std::unique_lock<std::mutex> hold(running->finish->mutex);
    finished = running->finish->changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                                 [&] { return running->finish->done; });
  } catch (...) {
    finished = false;
  }
  try {
    if (finished && running->thread.joinable()) running->thread.join();
  } catch (...) {
    // join fails only for a thread that cannot be joined (such as the caller
    // itself); let it go rather than end the process.
  }
  if (running->thread.joinable()) {
    PinThisLibrary();
    running->thread.detach();
  }
  return finished;
}

}  // namespace hf::platform
