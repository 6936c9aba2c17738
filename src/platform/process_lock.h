// The per-user lock that serialises the settings work of every process of the
// user, so that two read-modify-write sequences never overwrite each other.
#pragma once

namespace hf::platform {

// Held from construction to destruction. The constructor waits, without a
// time-out, until no other holder of the user's lock remains. When the lock
// cannot be had at all (no settings key, no rights, or on Linux a "<key>/.lock"
// that is a directory, FIFO, device or symlink, which is never followed), it
// holds nothing and held() is false. The settings call must then fail, and a
// call that writes must write nothing, since another process may be writing
// the same values at the same time. Never throws. Take it on one thread and
// release it on the same thread; within a process, callers serialise
// themselves first.
class ProcessLock {
 public:
  ProcessLock() noexcept;
  ~ProcessLock();
  ProcessLock(const ProcessLock &) = delete;
  ProcessLock &operator=(const ProcessLock &) = delete;

  // Whether the lock is held; false when it could not be had.
  bool held() const noexcept { return handle_ != nullptr; }

 private:
  void *handle_ = nullptr;  // the backend's token of the held lock
};

}  // namespace hf::platform
