#include "log_engine_object.h"

#include <new>
#include <string>
#include <utility>

#include "log_cursor.h"
#include "platform.h"

namespace morvex {

hf::HRESULT LogEngineObject::QueryInterface(const hf::Guid &iid, void **out) {
  return QueryOne(hf::kIidLogEngine, iid, out);
}

hf::HRESULT LogEngineObject::OpenFirstLog(hf::ILogCursor **cursor) { return OpenLog("first.log", cursor); }

hf::HRESULT LogEngineObject::OpenSecondLog(hf::ILogCursor **cursor) { return OpenLog("second.log", cursor); }

hf::HRESULT LogEngineObject::OpenLog(const char *fileName, hf::ILogCursor **cursor) noexcept {
  if (cursor == nullptr) return hf::kE_INVALIDARG;
  *cursor = nullptr;
  try {
    // The path is looked up now, so each cursor follows the current settings.
    // Without a history directory the cursor reads nothing.
    std::string directory = HistoryDirectory();
    std::string path = directory.empty() ? std::string() : directory + fileName;
    *cursor = new LogCursorObject(std::move(path));
    return hf::kS_OK;
  } catch (const std::bad_alloc &) {
    return hf::kE_OUTOFMEMORY;
  } catch (...) {
    return hf::kE_FAIL;
  }
}

}  // namespace morvex
