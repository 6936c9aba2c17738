// The settings key on Linux: the directory <hive root>/Software/Quorvane, the
// hive root being $XDG_CONFIG_HOME/hkcu or $HOME/.config/hkcu.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "platform.h"

namespace hf::cli {

namespace {

// The key's directory; empty when neither variable gives a root.
std::string KeyDirectory() {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config != '\0') return std::string(config) + "/hkcu/Software/Quorvane";
  const char *home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::string(home) + "/.config/hkcu/Software/Quorvane";
  return {};
}

constexpr char kNoRoot[] = "neither XDG_CONFIG_HOME nor HOME is set";

}  // namespace

std::string SystemSettingsKeyLocation() {
  const std::string directory = KeyDirectory();
  return directory.empty() ? std::string("(unknown: ") + kNoRoot + ")" : directory;
}

KeyProbe ProbeSystemSettingsKey() {
  const std::string directory = KeyDirectory();
  if (directory.empty()) return KeyProbe{KeyState::unreachable, kNoRoot};
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return KeyProbe{KeyState::missing, {}};
    return KeyProbe{KeyState::unreachable, std::strerror(errno)};
  }
  if (!S_ISDIR(info.st_mode)) return KeyProbe{KeyState::unreachable, "it is a file, not a directory"};
  return KeyProbe{KeyState::present, {}};
}

bool CreateSystemSettingsKey(std::string &error) {
  const std::string directory = KeyDirectory();
  if (directory.empty()) {
    error = kNoRoot;
    return false;
  }
  // Every missing level, private to the user like the rest of the hive.
  for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
    const std::string level = directory.substr(0, slash);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
      error = level + ": " + std::strerror(errno);
      return false;
    }
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = "it exists but is not a directory";
    return false;
  }
  return true;
}

}  // namespace hf::cli
