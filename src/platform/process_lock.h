// The per-user lock that serialises the settings work of every process of the
// user, so that two read-modify-write sequences never overwrite each other.
#pragma once

namespace hf::platform {

// Held from construction to destruction. The constructor waits, without a
// time-out, until no other holder of the user's lock remains. When there is
// nothing to lock (on Linux: no hive root, no key directory, or a key that
// cannot be written and holds no lock file, so no value can be written either)
// it holds nothing and keyMissing() is true. When the lock exists but cannot be
// had (no rights, or on Linux a "<key>/.lock" that is a directory, FIFO, device
// or symlink, which is never followed) it holds nothing and refused() is true:
// a call that writes must then write nothing and fail, since another process
// may be writing the same values at the same time. Never throws. Take it on
// one thread and release it on the same thread; within a process, callers
// serialise themselves first.
class ProcessLock {
 public:
  ProcessLock() noexcept;
  ~ProcessLock();
  ProcessLock(const ProcessLock &) = delete;
  ProcessLock &operator=(const ProcessLock &) = delete;

  // Whether the lock is held.
  bool held() const noexcept { return handle_ != nullptr; }
  // Not held because there is nothing to lock.
  bool keyMissing() const noexcept { return handle_ == nullptr && keyMissing_; }
  // Not held although there is a key: writers must not go on.
  bool refused() const noexcept { return handle_ == nullptr && !keyMissing_; }

 private:
  void *handle_ = nullptr;  // the backend's token of the held lock
  bool keyMissing_ = false;
};

}  // namespace hf::platform
