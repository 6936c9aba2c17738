// The library loader the logic calls: the system one unless a test put a fake in place.
#include "platform/modules.h"

#include "platform/replaceable.h"

namespace hf::platform {
namespace {

Replaceable<Modules, &SystemModules> current;

}  // namespace

Modules &CurrentModules() { return current.Current(); }
Modules *SetModulesForTesting(Modules *service) { return current.Replace(service); }

}  // namespace hf::platform
