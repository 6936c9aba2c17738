// The settings store in use: the platform's own unless a test installed one.
#include "platform/settings_store.h"

#include "platform/replaceable.h"

namespace hf::platform {
namespace {

Replaceable<SettingsStore, &SystemSettings> current;

}  // namespace

SettingsStore &Settings() { return current.Current(); }
SettingsStore *SetSettingsForTesting(SettingsStore *service) { return current.Replace(service); }

}  // namespace hf::platform
