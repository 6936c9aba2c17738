// The settings key on Linux: the directory that hive_location.h names.
#include <cerrno>
#include <climits>
#include <cstring>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform.h"
#include "platform/posix/hive_location.h"

namespace hf::cli {

namespace {

constexpr char kNoRoot[] = "neither XDG_CONFIG_HOME nor HOME is set";
constexpr char kTooLong[] = "its path is longer than the system allows";

// The key's directory; empty with `error` set when there is none to name.
std::string KeyDirectory(std::string &error) {
  char path[PATH_MAX];
  const std::size_t length = platform::HiveKeyDirectory(path, sizeof path);
  if (length == 0) {
    error = kNoRoot;
    return {};
  }
  if (length >= sizeof path) {
    error = kTooLong;
    return {};
  }
  return std::string(path, length);
}

// Whether the file system that holds `directory` has no block left for this user.
bool DiskFull(const std::string &directory) {
  struct statvfs disk {};
  if (::statvfs(directory.c_str(), &disk) != 0) return false;
  // root may use the blocks kept back for it.
  return (::geteuid() == 0 ? disk.f_bfree : disk.f_bavail) == 0;
}

}  // namespace

std::string SystemSettingsKeyLocation() {
  std::string error;
  const std::string directory = KeyDirectory(error);
  return directory.empty() ? "(unknown: " + error + ")" : directory;
}

KeyProbe ProbeSystemSettingsKey() {
  std::string error;
  const std::string directory = KeyDirectory(error);
  if (directory.empty()) return KeyProbe{KeyState::unreachable, error};
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return KeyProbe{KeyState::missing, {}};
    return KeyProbe{KeyState::unreachable, std::strerror(errno)};
  }
  if (!S_ISDIR(info.st_mode)) return KeyProbe{KeyState::unreachable, "it is a file, not a directory"};
  // Listing and opening the values needs both read and search rights.
  if (::access(directory.c_str(), R_OK | X_OK) != 0) return KeyProbe{KeyState::unreachable, std::strerror(errno)};
  KeyProbe probe{KeyState::present, {}};
  probe.writable = ::access(directory.c_str(), W_OK | X_OK) == 0;
  if (!probe.writable) probe.detail = std::strerror(errno);
  probe.diskFull = DiskFull(directory);
  return probe;
}

bool CreateSystemSettingsKey(std::string &error) {
  const std::string directory = KeyDirectory(error);
  if (directory.empty()) return false;
  // Every missing level, private to the user like the rest of the hive. The
  // mode is set again after mkdir, which the file creation mask may have cut
  // down to a directory the user cannot use.
  for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
    const std::string level = directory.substr(0, slash);
    if (::mkdir(level.c_str(), 0700) == 0) {
      if (::chmod(level.c_str(), 0700) != 0) {
        error = level + ": " + std::strerror(errno);
        return false;
      }
    } else if (errno != EEXIST) {
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
