// When the server may end: after its last object is gone, or after a time in
// which no call came in, so that a client that died holding references
// cannot keep it running.
#pragma once

#include <cstdint>

namespace morvex::server {

// Counts one served object for as long as it lives.
void ObjectStarted() noexcept;
void ObjectEnded() noexcept;

// Marks one incoming call for as long as it runs; a running call is never idle.
class CallScope {
 public:
  CallScope() noexcept;
  ~CallScope();
  CallScope(const CallScope &) = delete;
  CallScope &operator=(const CallScope &) = delete;
};

enum class EndReason { kLastObjectGone, kIdle, kStillServing };

// Blocks until an object has come and all are gone again, until no call has
// run for idleSeconds, or at most maxWaitMs (kStillServing).
EndReason WaitForEnd(std::uint32_t idleSeconds, std::uint32_t maxWaitMs);

// Blocks up to milliseconds for an object to exist: true when one does.
bool WaitForObject(std::uint32_t milliseconds);

}  // namespace morvex::server
