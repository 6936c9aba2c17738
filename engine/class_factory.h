// The class factory of the engine class.
#pragma once

#include "com_object.h"

namespace morvex {

class EngineClassFactory final : public ComObject<hf::IClassFactoryAbi> {
 public:
  hf::HRESULT QueryInterface(const hf::Guid &iid, void **out) override;
  // Creates an engine object and answers it through the interface iid.
  hf::HRESULT CreateInstance(hf::IUnknownAbi *outer, const hf::Guid &iid, void **out) override;
  hf::HRESULT LockServer(std::int32_t lock) override;
};

}  // namespace morvex
