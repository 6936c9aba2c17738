// The library's life beside the objects it hands out.
#pragma once

namespace morvex {

// Called by every new object: the first one keeps the library loaded for the
// rest of the process, because a host may free the library while it still
// holds an object whose code lives here.
void ObjectCreated() noexcept;

}  // namespace morvex
