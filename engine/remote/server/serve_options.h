// How the served objects answer fetches.
#pragma once

#include <cstdint>

namespace morvex::server {

struct ServeOptions {
  // Records the client asks for in one fetch, and the size at which a batch
  // ends early: big enough that the cost of a call (about a millisecond under
  // Wine) is spread thin, and well inside the shared section, so that only a
  // batch with an outsized last record comes in the call instead.
  std::uint32_t batchRecords = 4096;
  std::uint32_t batchBytes = 1024 * 1024;
  std::uint32_t sectionBytes = 4 * 1024 * 1024;
  // Test only: after hangAfter records of one cursor, the next fetch never returns.
  bool hang = false;
  std::uint32_t hangAfter = 0;
};

}  // namespace morvex::server
