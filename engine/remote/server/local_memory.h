// Memory the system allocated with LocalAlloc for the caller, freed once.
#pragma once

#include <windows.h>

#include <memory>

namespace morvex::server {

struct LocalFreeDeleter {
  void operator()(void *memory) const noexcept { ::LocalFree(memory); }
};

template <class T>
using LocalMemory = std::unique_ptr<T, LocalFreeDeleter>;

}  // namespace morvex::server
