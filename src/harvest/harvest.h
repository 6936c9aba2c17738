// The rebuild: two harvest workers and the merge of their results.
#pragma once

#include <cstdint>

namespace hf {

constexpr std::int64_t kHarvestBudgetSeconds = 30;

extern std::int64_t HarvestStart;

// Runs one rebuild; 1 when the harvest ran, 0 when the excluded list could not be loaded.
int RunUpdate();

}  // namespace hf
