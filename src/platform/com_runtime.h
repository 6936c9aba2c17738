// COM run-time: apartment entry and exit, out-of-process activation.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace hf::platform {

constexpr std::uint32_t kClsctxLocalServer = 4;

class ComRuntime {
 public:
  virtual ~ComRuntime() = default;
  virtual HRESULT Initialize() = 0;  // CoInitialize(nullptr)
  virtual void Uninitialize() = 0;   // CoUninitialize()
  // CoCreateInstance(clsid, nullptr, context, iid, out).
  virtual HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid,
                                 void **out) = 0;
};

ComRuntime &SystemCom();
ComRuntime &CurrentCom();
ComRuntime *SetComForTesting(ComRuntime *com);  // nullptr restores; returns the previous one

}  // namespace hf::platform
