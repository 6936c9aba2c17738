// libFuzzer entry: runs the input through CheckListParse and aborts, so that
// libFuzzer keeps the input, when an invariant breaks.
#include <cstdio>
#include <cstdlib>

#include "checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (const char *broken = hf::fuzz::CheckListParse(data, size)) {
    std::fprintf(stderr, "fuzz_list_parse: %s\n", broken);
    std::abort();
  }
  return 0;
}
