// The fault guard around an engine library's entry point.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/modules.h"

namespace hf::test {
namespace {

HRESULT StoresAndReturns42(const Guid &, const Guid &, void **out) {
  *out = out;
  return 42;
}

HRESULT ReturnsFailure(const Guid &, const Guid &, void **) { return kE_FAIL; }

// Not instrumented by ThreadSanitizer: two threads faulting on the same
// unmapped address is no data race, only the access the guard must catch.
__attribute__((no_sanitize("thread")))
HRESULT WritesThroughNull(const Guid &, const Guid &, void **) {
  // An address in the never-mapped first page: a real access fault, which no
  // sanitizer's null check reports first.
  static volatile std::uintptr_t unmapped = 16;
  *reinterpret_cast<volatile int *>(unmapped) = 1;
  return kS_OK;
}

HRESULT Throws(const Guid &, const Guid &, void **) { throw std::runtime_error("entry failed"); }

struct GuardCase {
  const char *name;
  platform::GetClassObjectFn fn;
  bool returned;
  HRESULT result;  // when returned
};
const GuardCase kGuardCases[] = {
    {"returns a value", StoresAndReturns42, true, 42},
    {"returns a failure", ReturnsFailure, true, kE_FAIL},
    {"faults", WritesThroughNull, false, 0},
    {"throws", Throws, false, 0},
    {"no function", nullptr, false, 0},
};

TEST(FaultGuard, TurnsFaultsAndExceptionsIntoFailure) {
  // Twice over, so that a fault also leaves the guard ready for the next call.
  for (int round = 0; round < 2; ++round) {
    for (const GuardCase &c : kGuardCases) {
      SCOPED_TRACE(c.name);
      void *out = nullptr;
      HRESULT result = -7;
      EXPECT_EQ(platform::CallGuarded(c.fn, Guid{}, Guid{}, &out, &result),
                c.returned);
      EXPECT_EQ(result, c.returned ? c.result : -7);
    }
  }
}

TEST(FaultGuard, GuardsThreadsSideBySide) {
  constexpr int kCalls = 50;
  std::vector<int> wrong(2, 0);
  auto run = [&wrong](int slot) {
    for (int i = 0; i < kCalls; ++i) {
      const GuardCase &c = kGuardCases[(i + slot) % 4];
      void *out = nullptr;
      HRESULT result = 0;
      const bool returned = platform::CallGuarded(c.fn, Guid{}, Guid{}, &out, &result);
      if (returned != c.returned || (returned && result != c.result)) ++wrong[static_cast<std::size_t>(slot)];
    }
  };
  std::thread first(run, 0);
  std::thread second(run, 1);
  first.join();
  second.join();
  EXPECT_EQ(wrong, (std::vector<int>{0, 0}));
}

}  // namespace
}  // namespace hf::test
