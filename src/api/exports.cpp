// The four exported functions: each takes the in-process lock, does its
// work, and turns any exception into the failure result 0.
#include <cstdint>
#include <mutex>
#include <type_traits>

#include "api/api_lock.h"
#include "api/stored_paths.h"
#include "harvest/rebuild.h"
#include "hotFolders.h"
#include "platform/types.h"

namespace {

template <typename Work>
std::int32_t Guarded(Work work) noexcept {
  try {
    std::lock_guard<std::mutex> hold(hf::ApiLock());
    return work();
  } catch (...) {
    return 0;
  }
}

}  // namespace

static_assert(std::is_same<HF_UTF16, hf::NativeChar16>::value, "one UTF-16 code unit type");

extern "C" {

HOTFOLDERS_API int32_t GetPathCount(void) {
  return Guarded([] { return hf::CountStoredPaths(); });
}

HOTFOLDERS_API int32_t GetLogPath(int32_t index, HF_UTF16 *buffer, uint32_t capacity,
                                  int32_t *countOut) {
  return Guarded([&] { return hf::CopyStoredPath(index, buffer, capacity, countOut); });
}

HOTFOLDERS_API int32_t DeletePath(const HF_UTF16 *folderPath) {
  return Guarded([&] { return hf::RemoveStoredPath(folderPath); });
}

HOTFOLDERS_API int32_t UpdatePath(void) {
  return Guarded([] { return hf::RunUpdate(); });
}

}  // extern "C"
