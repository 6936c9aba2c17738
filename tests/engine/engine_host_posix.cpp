#include <dlfcn.h>

#include <cstdlib>

#include "engine_host.h"

namespace engine_test {

EngineLibrary::EngineLibrary(const std::string &path) {
  module_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ != nullptr)
    entry_ = reinterpret_cast<hf::platform::GetClassObjectFn>(::dlsym(module_, "DllGetClassObject"));
}

EngineLibrary::~EngineLibrary() {
  if (module_ != nullptr) ::dlclose(module_);
}

void SetEnvironment(const char *name, const std::string &value) {
  if (value.empty())
    ::unsetenv(name);
  else
    ::setenv(name, value.c_str(), 1);
}

std::string GetEnvironment(const char *name) {
  const char *value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace engine_test
