// The per-user lock on Windows: the named mutex "Local\\hotFolders.settings"
// in the session's namespace, shared by every process of the user's logon session.
#include "platform/process_lock.h"

#include <windows.h>

namespace hf::platform {

ProcessLock::ProcessLock() noexcept {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, L"Local\\hotFolders.settings");
  if (mutex == nullptr) return;
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  // An owner that ended without releasing leaves the mutex abandoned: it is
  // ours now, and the values it wrote are whole, as each write is.
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return;
  }
  handle_ = mutex;
}

ProcessLock::~ProcessLock() {
  if (handle_ == nullptr) return;
  ::ReleaseMutex(static_cast<HANDLE>(handle_));
  ::CloseHandle(static_cast<HANDLE>(handle_));
}

}  // namespace hf::platform
