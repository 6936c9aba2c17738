// Dynamic library loading and the host executable's path.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace hf::platform {

using ModuleHandle = void *;

// Signature of an engine library's DllGetClassObject.
using GetClassObjectFn = HRESULT (*)(const Guid &clsid, const Guid &iid, void **out);

class Modules {
 public:
  virtual ~Modules() = default;
  // GetModuleFileNameA(nullptr, buffer, size): the host executable's full path.
  virtual std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) = 0;
  // LoadLibraryA: a handle, or nullptr.
  virtual ModuleHandle Load(const char *path) = 0;
  // SearchPathA(nullptr, file, nullptr, size, buffer, nullptr): 0 when not found.
  virtual std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) = 0;
  // GetProcAddress: the entry, or nullptr.
  virtual void *Symbol(ModuleHandle module, const char *name) = 0;
  // FreeLibrary.
  virtual void Free(ModuleHandle module) = 0;

  // The UTF-16 forms, for paths that 8-bit text cannot hold. Their defaults
  // report "not available", which leaves the 8-bit forms in use.
  // GetModuleFileNameW(nullptr, buffer, size): the host executable's full path, or 0 when not available.
  virtual std::uint32_t HostExecutablePathWide(char16_t * /*buffer*/, std::uint32_t /*size*/) { return 0; }
  // LoadLibraryW: a handle, or nullptr (also when not available).
  virtual ModuleHandle LoadWide(const char16_t * /*path*/) { return nullptr; }
  // SearchPathW(nullptr, file, nullptr, size, buffer, nullptr), size in units: 0 when not found or not available.
  virtual std::uint32_t SearchWide(const char16_t * /*file*/, char16_t * /*buffer*/, std::uint32_t /*size*/) {
    return 0;
  }
};

Modules &SystemModules();
Modules &CurrentModules();
Modules *SetModulesForTesting(Modules *modules);  // nullptr restores; returns the previous one

// The directory separator of the platform's paths ('\\' on Windows, '/' elsewhere).
char PathSeparator() noexcept;

// Calls fn(clsid, iid, out) under a fault guard. Returns true and stores the
// call's result when it returned; returns false when a fault (an access
// violation and the like) or a C++ exception arose inside the call.
bool CallGuarded(GetClassObjectFn fn, const Guid &clsid, const Guid &iid, void **out,
                 HRESULT *result) noexcept;

}  // namespace hf::platform
