// The COM run-time the logic calls: the system one unless a test put a fake in place.
#include "platform/com_runtime.h"

#include "platform/replaceable.h"

namespace hf::platform {
namespace {

Replaceable<ComRuntime, &SystemCom> current;

}  // namespace

ComRuntime &CurrentCom() { return current.Current(); }
ComRuntime *SetComForTesting(ComRuntime *service) { return current.Replace(service); }

}  // namespace hf::platform
