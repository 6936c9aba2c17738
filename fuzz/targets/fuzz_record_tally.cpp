// libFuzzer entry: runs the input through CheckRecordTally and aborts, so that
// libFuzzer keeps the input, when an invariant breaks.
#include <cstdio>
#include <cstdlib>

#include "checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (const char *broken = hf::fuzz::CheckRecordTally(data, size)) {
    std::fprintf(stderr, "fuzz_record_tally: %s\n", broken);
    std::abort();
  }
  return 0;
}
