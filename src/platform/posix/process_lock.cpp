// The per-user lock on Linux: an advisory exclusive lock (flock) on the file
// ".lock" in the settings key's directory. The key directory itself is never
// created; without it there is nothing to write and nothing to lock.
#include "platform/process_lock.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/hive_location.h"

namespace hf::platform {
namespace {

constexpr char kLockName[] = "/.lock";

// Opens the lock file, creating it if missing. A symlink is not followed, so a
// dangling one creates nothing outside the key, and a FIFO or device opens
// without waiting; anything but a regular file is refused. -1 on failure.
int OpenLockFile(const char *path) noexcept {
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(path, O_RDWR | O_CREAT | kFlags, 0600);
  // A key the process may only read can still be locked if the file exists.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
    fd = ::open(path, O_RDONLY | kFlags);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = EINVAL;  // there is a lock file, and it is unusable
    return -1;
  }
  return fd;
}

// The handle is the descriptor plus one, so that descriptor 0 is not null.
void *ToHandle(int fd) noexcept { return reinterpret_cast<void *>(static_cast<std::intptr_t>(fd) + 1); }
int ToDescriptor(void *handle) noexcept {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

}  // namespace

ProcessLock::ProcessLock() noexcept {
  // Built on the stack: the lock is taken where memory may be short.
  char path[PATH_MAX];
  const std::size_t length = HiveKeyDirectory(path, sizeof path);
  if (length == 0) {
    keyMissing_ = true;  // no hive root: no key, nothing to write
    return;
  }
  if (length >= sizeof path - (sizeof kLockName - 1)) return;
  std::memcpy(path + length, kLockName, sizeof kLockName);
  const int fd = OpenLockFile(path);
  if (fd < 0) {
    // No key directory, or a key that cannot be written and has no lock file
    // yet: no value can be written there either.
    keyMissing_ = errno == ENOENT || errno == ENOTDIR;
    return;
  }
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
