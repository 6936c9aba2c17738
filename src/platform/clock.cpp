// The clock the logic reads: the system one unless a test put another in place.
#include "platform/clock.h"

#include "platform/replaceable.h"

namespace hf::platform {
namespace {

Replaceable<Clock, &SystemClock> current;

}  // namespace

Clock &CurrentClock() { return current.Current(); }
Clock *SetClockForTesting(Clock *service) { return current.Replace(service); }

}  // namespace hf::platform
