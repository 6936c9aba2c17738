// The objects and locks of the proxy library that keep it loaded.
#pragma once

namespace morvex::proxy {

void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
// True when nothing of this library's own is alive.
bool ModuleUnused() noexcept;

}  // namespace morvex::proxy
