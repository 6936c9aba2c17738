// Writes one generated history log.
#pragma once

#include <cstdint>
#include <cstdio>

#include "expected_tally.h"
#include "folder_pool.h"
#include "options.h"

namespace loggen {

// Writes options.records record lines (after one comment line) to out, dated
// evenly over options.days days up to the end of options.today. Every record
// in the counting window is also counted in tally. False on a write error.
[[nodiscard]] bool WriteLog(std::FILE *out, const Options &options, const FolderPool &folders, std::uint64_t seed,
                            ExpectedTally *tally);

}  // namespace loggen
