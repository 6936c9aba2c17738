#include "platform/posix/hive_location.h"

#include <cstdio>
#include <cstdlib>

namespace hf::platform {

std::size_t HiveKeyDirectory(char *out, std::size_t size) noexcept {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  const char *home = std::getenv("HOME");
  int written = -1;
  if (config != nullptr && *config != '\0') {
    written = std::snprintf(out, size, "%s/hkcu/Software/Quorvane", config);
  } else if (home != nullptr && *home != '\0') {
    written = std::snprintf(out, size, "%s/.config/hkcu/Software/Quorvane", home);
  } else {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  // snprintf fails only for a length beyond int: report that as too long.
  if (written < 0) return size > 0 ? size : 1;
  return static_cast<std::size_t>(written);
}

}  // namespace hf::platform
