// Global operator new/new[] (throwing and nothrow) and operator delete over
// malloc and free, with one armed failure.
#include "failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace hf::test {
namespace {

// 0: not armed; otherwise the scope plus one.
std::atomic<int> gArmed{0};
std::atomic<std::int64_t> gCountdown{0};
std::atomic<bool> gInjected{false};
thread_local bool tArmingThread = false;

// True when this allocation is the one that must fail.
bool ShouldFail() noexcept {
  const int armed = gArmed.load(std::memory_order_acquire);
  if (armed == 0) return false;
  if (armed == static_cast<int>(AllocationScope::kThisThread) + 1 && !tArmingThread) return false;
  if (gCountdown.fetch_sub(1, std::memory_order_acq_rel) != 1) return false;
  gInjected.store(true, std::memory_order_release);
  return true;
}

void *Allocate(std::size_t size) noexcept {
  if (ShouldFail()) return nullptr;
  return std::malloc(size != 0 ? size : 1);
}

}  // namespace

void ArmAllocationFailure(std::uint64_t nth, AllocationScope scope) noexcept {
  gArmed.store(0, std::memory_order_release);
  tArmingThread = true;
  gInjected.store(false, std::memory_order_release);
  gCountdown.store(static_cast<std::int64_t>(nth), std::memory_order_release);
  gArmed.store(static_cast<int>(scope) + 1, std::memory_order_release);
}

bool DisarmAllocationFailure() noexcept {
  gArmed.store(0, std::memory_order_release);
  tArmingThread = false;
  return gInjected.load(std::memory_order_acquire);
}

}  // namespace hf::test

void *operator new(std::size_t size) {
  void *p = hf::test::Allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void *operator new[](std::size_t size) {
  void *p = hf::test::Allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return hf::test::Allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return hf::test::Allocate(size); }

void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
