#include "module_count.h"

#include <atomic>

namespace morvex::proxy {
namespace {
std::atomic<long> g_count{0};
}

void ModuleAddRef() noexcept { g_count.fetch_add(1, std::memory_order_relaxed); }
void ModuleRelease() noexcept { g_count.fetch_sub(1, std::memory_order_acq_rel); }
bool ModuleUnused() noexcept { return g_count.load(std::memory_order_acquire) == 0; }

}  // namespace morvex::proxy
