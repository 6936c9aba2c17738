// The guard leaves the host's own signal handlers working: before, during (for
// other threads) and after a guarded call.
#include <gtest/gtest.h>
#include <setjmp.h>
#include <signal.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/modules.h"

namespace hf::test {
namespace {

std::atomic<int> hostFaults{0};
std::atomic<int> hostOtherSignals{0};
// Volatile: the handler reads it between two stores the compiler would otherwise merge.
thread_local sigjmp_buf *volatile hostJump = nullptr;

void HostFaultHandler(int, siginfo_t *, void *) {
  ++hostFaults;
  if (hostJump != nullptr) siglongjmp(*hostJump, 1);
}

void HostCountingHandler(int) { ++hostOtherSignals; }

HRESULT WritesThroughNull(const Guid &, const Guid &, void **) {
  // An address in the never-mapped first page: a real access fault, which no
  // sanitizer's null check reports first.
  static volatile std::uintptr_t unmapped = 16;
  *reinterpret_cast<volatile int *>(unmapped) = 1;
  return kS_OK;
}

// Raises SIGBUS on another thread while the guard is active on this one.
HRESULT RaisesOnAnotherThread(const Guid &, const Guid &, void **) {
  std::thread other([] { raise(SIGBUS); });
  other.join();
  return 7;
}

class HostSignals : public ::testing::Test {
 protected:
  void SetUp() override {
    hostFaults = 0;
    hostOtherSignals = 0;
    struct sigaction fault {};
    fault.sa_sigaction = HostFaultHandler;
    fault.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&fault.sa_mask);
    ASSERT_EQ(sigaction(SIGSEGV, &fault, &savedSegv_), 0);
    struct sigaction counting {};
    counting.sa_handler = HostCountingHandler;
    sigemptyset(&counting.sa_mask);
    ASSERT_EQ(sigaction(SIGBUS, &counting, &savedBus_), 0);
    ASSERT_EQ(sigaction(SIGUSR1, &counting, &savedUsr1_), 0);
  }

  void TearDown() override {
    sigaction(SIGSEGV, &savedSegv_, nullptr);
    sigaction(SIGBUS, &savedBus_, nullptr);
    sigaction(SIGUSR1, &savedUsr1_, nullptr);
  }

  // Faults outside any guard; true when the host's handler took it.
  static bool HostTakesAFault() {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1) == 0) {
      hostJump = &jump;
      // An address in the never-mapped first page: a real access fault, which no
      // sanitizer's null check reports first.
      static volatile std::uintptr_t unmapped = 16;
      *reinterpret_cast<volatile int *>(unmapped) = 2;
      hostJump = nullptr;
      return false;
    }
    hostJump = nullptr;
    return true;
  }

 private:
  struct sigaction savedSegv_ {};
  struct sigaction savedBus_ {};
  struct sigaction savedUsr1_ {};
};

TEST_F(HostSignals, HostHandlersAreBackAfterAGuardedFault) {
  HRESULT result = 0;
  void *out = nullptr;
  EXPECT_FALSE(platform::CallGuarded(WritesThroughNull, Guid{}, Guid{}, &out, &result));
  EXPECT_EQ(hostFaults, 0);

  struct sigaction current {};
  ASSERT_EQ(sigaction(SIGSEGV, nullptr, &current), 0);
  EXPECT_EQ(current.sa_sigaction, HostFaultHandler);
  EXPECT_TRUE(HostTakesAFault());
  EXPECT_EQ(hostFaults, 1);

  raise(SIGUSR1);
  EXPECT_EQ(hostOtherSignals, 1);
}

TEST_F(HostSignals, OtherThreadsSignalsReachTheHostDuringAGuardedCall) {
  HRESULT result = 0;
  void *out = nullptr;
  EXPECT_TRUE(platform::CallGuarded(RaisesOnAnotherThread, Guid{}, Guid{}, &out, &result));
  EXPECT_EQ(result, 7);
  EXPECT_EQ(hostOtherSignals, 1);
}

}  // namespace
}  // namespace hf::test
