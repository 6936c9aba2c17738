// A replacement of the global allocation functions for one test executable:
// counts allocations while armed and makes exactly one of them fail.
#pragma once

#include <cstdint>

namespace hf::test {

// Which allocations are counted while armed.
enum class AllocationScope {
  kThisThread,  // only those of the arming thread
  kAllThreads,  // those of every thread (worker threads included)
};

// From now on the nth counted allocation (1 for the next one) fails: a
// throwing form raises std::bad_alloc, a nothrow form returns null.
void ArmAllocationFailure(std::uint64_t nth, AllocationScope scope) noexcept;

// Stops counting; true when the failure was injected since the arming.
bool DisarmAllocationFailure() noexcept;

}  // namespace hf::test
