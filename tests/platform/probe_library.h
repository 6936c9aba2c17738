// The fault probe library built beside the tests, loaded through the platform layer.
#pragma once

#include "platform/modules.h"

namespace hf::test {

// Loads the probe on construction and frees it on destruction.
class ProbeLibrary {
 public:
  ProbeLibrary() : handle_(platform::SystemModules().Load(HF_FAULT_PROBE)) {}
  ~ProbeLibrary() {
    if (handle_ != nullptr) platform::SystemModules().Free(handle_);
  }
  ProbeLibrary(const ProbeLibrary &) = delete;
  ProbeLibrary &operator=(const ProbeLibrary &) = delete;

  platform::ModuleHandle handle() const { return handle_; }

  // The named entry, or nullptr.
  platform::GetClassObjectFn Entry(const char *name) const {
    return reinterpret_cast<platform::GetClassObjectFn>(platform::SystemModules().Symbol(handle_, name));
  }

 private:
  platform::ModuleHandle handle_;
};

}  // namespace hf::test
