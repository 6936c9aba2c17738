// How the served objects answer fetches.
#pragma once

#include <cstdint>

namespace morvex::server {

struct ServeOptions {
  // Records the client asks for in one fetch, and the size at which a batch
  // ends early: big enough that the cost of a call is spread thin.
  std::uint32_t batchRecords = 2048;
  std::uint32_t batchBytes = 256 * 1024;
  // Test only: after hangAfter records of one cursor, the next fetch never returns.
  bool hang = false;
  std::uint32_t hangAfter = 0;
};

}  // namespace morvex::server
