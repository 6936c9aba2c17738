// Reference counting shared by the engine's objects: each starts with one
// reference for its creator and deletes itself when the count reaches zero.
#pragma once

#include <atomic>
#include <cstdint>

#include "abi/log_engine.h"
#include "module_lifetime.h"

namespace morvex {

template <class Interface>
class ComObject : public Interface {
 public:
  std::uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

  std::uint32_t Release() override {
    const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  ComObject(const ComObject &) = delete;
  ComObject &operator=(const ComObject &) = delete;

 protected:
  ComObject() noexcept { ObjectCreated(); }
  virtual ~ComObject() = default;

  // True when only one reference is held.
  bool SoleReference() const noexcept { return refs_.load(std::memory_order_acquire) == 1; }

  // QueryInterface for an object that answers IUnknown and one interface id.
  hf::HRESULT QueryOne(const hf::Guid &own, const hf::Guid &iid, void **out) noexcept {
    if (out == nullptr) return hf::kE_INVALIDARG;
    if (iid == own || iid == hf::kIidUnknown) {
      AddRef();
      *out = static_cast<Interface *>(this);
      return hf::kS_OK;
    }
    *out = nullptr;
    return hf::kE_NOINTERFACE;
  }

 private:
  std::atomic<std::uint32_t> refs_{1};
};

}  // namespace morvex
