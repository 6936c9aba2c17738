#include <windows.h>

#include <vector>

#include "engine_host.h"

namespace engine_test {

EngineLibrary::EngineLibrary(const std::string &path) {
  HMODULE module = ::LoadLibraryA(path.c_str());
  module_ = module;
  if (module != nullptr)
    entry_ = reinterpret_cast<hf::platform::GetClassObjectFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "DllGetClassObject")));
}

EngineLibrary::~EngineLibrary() {
  if (module_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(module_));
}

void SetEnvironment(const char *name, const std::string &value) {
  ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

std::string GetEnvironment(const char *name) {
  const DWORD needed = ::GetEnvironmentVariableA(name, nullptr, 0);
  if (needed == 0) return {};
  std::vector<char> buffer(needed);
  const DWORD length = ::GetEnvironmentVariableA(name, buffer.data(), needed);
  return length > 0 && length < needed ? std::string(buffer.data(), length) : std::string();
}

}  // namespace engine_test
