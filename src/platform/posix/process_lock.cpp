// The per-user lock on Linux: an advisory exclusive lock (flock) on the file
// ".lock" in the settings key's directory. The key directory itself is never
// created; without it there is nothing to write and nothing to lock.
#include "platform/process_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hf::platform {
namespace {

// "<hive root>/Software/Quorvane/.lock" with the settings hive's root, built
// without allocating; false when there is no root or the path does not fit.
bool LockFilePath(char *path, std::size_t size) noexcept {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  int written = -1;
  if (config != nullptr && *config != '\0') {
    written = std::snprintf(path, size, "%s/hkcu/Software/Quorvane/.lock", config);
  } else {
    const char *home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return false;
    written = std::snprintf(path, size, "%s/.config/hkcu/Software/Quorvane/.lock", home);
  }
  return written > 0 && static_cast<std::size_t>(written) < size;
}

int OpenLockFile(const char *path) noexcept {
  int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // A key the process may only read can still be locked if the file exists.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
  return fd;
}

// The handle is the descriptor plus one, so that descriptor 0 is not null.
void *ToHandle(int fd) noexcept { return reinterpret_cast<void *>(static_cast<std::intptr_t>(fd) + 1); }
int ToDescriptor(void *handle) noexcept {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

}  // namespace

ProcessLock::ProcessLock() noexcept {
  char path[4096];
  if (!LockFilePath(path, sizeof path)) return;
  const int fd = OpenLockFile(path);
  if (fd < 0) return;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    ::close(fd);
    return;
  }
  handle_ = ToHandle(fd);
}

ProcessLock::~ProcessLock() {
  // Closing the only descriptor of the open file releases the lock.
  if (handle_ != nullptr) ::close(ToDescriptor(handle_));
}

}  // namespace hf::platform
