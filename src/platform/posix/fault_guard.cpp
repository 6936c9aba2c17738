// The fault guard on Linux. While at least one guarded call runs, handlers for
// SIGSEGV, SIGBUS, SIGILL and SIGFPE are installed process-wide; a fault on a
// thread inside a guarded call jumps back to that call, and every other one is
// passed to the handler that was installed before (the host's).
#include <pthread.h>
#include <setjmp.h>
#include <signal.h>

#include <mutex>

#include "platform/modules.h"

namespace hf::platform {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
constexpr int kFaultSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];

// The jump buffer of the guarded call running on this thread, or null.
// Initial-exec so that the handler reads it without any allocation.
__attribute__((tls_model("initial-exec"))) thread_local sigjmp_buf *activeJump = nullptr;

std::mutex installMutex;
int installCount = 0;
// The handlers in place before ours; stable while ours are installed.
struct sigaction previousActions[kFaultSignalCount];

int IndexOf(int signal) noexcept {
  for (int i = 0; i < kFaultSignalCount; ++i)
    if (kFaultSignals[i] == signal) return i;
  return -1;
}

void PassOn(int signal, siginfo_t *info, void *context) {
  const int index = IndexOf(signal);
  if (index < 0) return;
  const struct sigaction &previous = previousActions[index];
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction != nullptr) previous.sa_sigaction(signal, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN) return;
  if (previous.sa_handler == SIG_DFL) {
    // The default action: put it back and deliver the signal again, which
    // ends the process as it would have without us.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    return;
  }
  previous.sa_handler(signal);
}

void OnFault(int signal, siginfo_t *info, void *context) {
  sigjmp_buf *jump = activeJump;
  if (jump != nullptr) {
    activeJump = nullptr;
    siglongjmp(*jump, 1);
  }
  PassOn(signal, info, context);
}

// Installs the handlers for the first guarded call in the process and puts the
// previous ones back after the last.
class HandlerScope {
 public:
  HandlerScope() noexcept {
    std::lock_guard<std::mutex> lock(installMutex);
    if (installCount++ > 0) return;
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kFaultSignalCount; ++i) sigaction(kFaultSignals[i], &action, &previousActions[i]);
  }

  ~HandlerScope() {
    std::lock_guard<std::mutex> lock(installMutex);
    if (--installCount > 0) return;
    for (int i = 0; i < kFaultSignalCount; ++i) sigaction(kFaultSignals[i], &previousActions[i], nullptr);
  }

  HandlerScope(const HandlerScope &) = delete;
  HandlerScope &operator=(const HandlerScope &) = delete;
};

// Separate frame so that nothing of the caller's state lives between
// sigsetjmp and siglongjmp.
bool RunGuarded(GetClassObjectFn fn, const Guid &clsid, const Guid &iid, void **out, HRESULT *result) noexcept {
  sigjmp_buf jump;
  sigjmp_buf *const outer = activeJump;
  volatile bool returned = false;
  volatile HRESULT value = 0;
  if (sigsetjmp(jump, 1) == 0) {
    activeJump = &jump;
    try {
      value = fn(clsid, iid, out);
      returned = true;
    } catch (...) {
    }
  }
  activeJump = outer;
  if (returned && result != nullptr) *result = value;
  return returned;
}

}  // namespace

bool CallGuarded(GetClassObjectFn fn, const Guid &clsid, const Guid &iid, void **out, HRESULT *result) noexcept {
  if (fn == nullptr) return false;
  HandlerScope handlers;
  return RunGuarded(fn, clsid, iid, out, result);
}

}  // namespace hf::platform
