// COM on Windows: the system's CoInitialize, CoUninitialize and CoCreateInstance.
#include <windows.h>
#include <objbase.h>

#include "platform/com_runtime.h"

namespace hf::platform {
namespace {

static_assert(sizeof(GUID) == sizeof(Guid), "Guid keeps the GUID layout");

const GUID &Native(const Guid &id) noexcept { return reinterpret_cast<const GUID &>(id); }

class WindowsCom final : public ComRuntime {
 public:
  HRESULT Initialize() override { return static_cast<HRESULT>(CoInitialize(nullptr)); }

  void Uninitialize() override { CoUninitialize(); }

  HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid,
                         void **out) override {
    return static_cast<HRESULT>(CoCreateInstance(Native(clsid), nullptr, context, Native(iid), out));
  }
};

}  // namespace

ComRuntime &SystemCom() {
  static WindowsCom com;
  return com;
}

}  // namespace hf::platform
