// COM on Linux: there is no out-of-process server, and an apartment is only a
// per-thread count.
#include "platform/com_runtime.h"

namespace hf::platform {
namespace {

thread_local int apartmentDepth = 0;

class PosixCom final : public ComRuntime {
 public:
  HRESULT Initialize() override {
    ++apartmentDepth;
    return apartmentDepth == 1 ? kS_OK : kS_FALSE;
  }

  void Uninitialize() override {
    if (apartmentDepth > 0) --apartmentDepth;
  }

  HRESULT CreateInstance(const Guid &, std::uint32_t, const Guid &, void **out) override {
    if (out != nullptr) *out = nullptr;
    return kREGDB_E_CLASSNOTREG;
  }
};

}  // namespace

ComRuntime &SystemCom() {
  static PosixCom com;
  return com;
}

}  // namespace hf::platform
