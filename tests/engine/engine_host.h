// What the engine tests need from the operating system: loading an engine
// library and setting the process environment.
#pragma once

#include <string>

#include "abi/log_engine.h"
#include "platform/modules.h"

namespace engine_test {

// One load of an engine library; freed when destroyed.
class EngineLibrary {
 public:
  explicit EngineLibrary(const std::string &path);
  ~EngineLibrary();
  EngineLibrary(const EngineLibrary &) = delete;
  EngineLibrary &operator=(const EngineLibrary &) = delete;

  // The library's DllGetClassObject, or nullptr when it did not load.
  hf::platform::GetClassObjectFn GetClassObject() const noexcept { return entry_; }

 private:
  void *module_ = nullptr;
  hf::platform::GetClassObjectFn entry_ = nullptr;
};

// Sets (or, with an empty value, removes) a variable of the process environment.
void SetEnvironment(const char *name, const std::string &value);

// The value of an environment variable, or empty.
std::string GetEnvironment(const char *name);

}  // namespace engine_test
