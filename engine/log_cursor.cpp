#include "log_cursor.h"

#include <new>
#include <utility>

#include "log_line.h"
#include "log_record.h"

namespace morvex {

LogCursorObject::LogCursorObject(std::string path) noexcept : path_(std::move(path)) {}

LogCursorObject::~LogCursorObject() {
  if (spare_ != nullptr) spare_->Release();
}

hf::HRESULT LogCursorObject::QueryInterface(const hf::Guid &iid, void **out) {
  return QueryOne(hf::kIidLogCursor, iid, out);
}

hf::HRESULT LogCursorObject::Begin() {
  begun_ = true;
  date_ = DateMemo{};
  try {
    reader_.Reset(OpenInputFile(path_));
  } catch (const std::bad_alloc &) {
    reader_.Reset(nullptr);
    return hf::kE_OUTOFMEMORY;
  } catch (...) {
    reader_.Reset(nullptr);
    return hf::kE_FAIL;
  }
  return hf::kS_OK;
}

LogRecordObject *LogCursorObject::TakeRecord() {
  if (spare_ != nullptr && spare_->Reusable()) {
    spare_->AddRef();
    return spare_;
  }
  auto *record = new LogRecordObject();  // one reference for the caller
  if (spare_ != nullptr) spare_->Release();
  record->AddRef();  // and one for the cursor
  spare_ = record;
  return record;
}

hf::HRESULT LogCursorObject::Next(std::uint32_t count, hf::ILogRecord **records, std::uint32_t *fetched) {
  if (fetched != nullptr) *fetched = 0;
  if (count == 0) return hf::kS_OK;
  if (records == nullptr || (count > 1 && fetched == nullptr)) return hf::kE_INVALIDARG;
  if (!begun_) {
    const hf::HRESULT started = Begin();
    if (started != hf::kS_OK) return started;
  }
  std::uint32_t stored = 0;
  try {
    const char *text = nullptr;
    std::size_t size = 0;
    LogLine line;
    while (stored < count && reader_.NextLine(&text, &size)) {
      if (!ParseLogLine(text, size, &line, &date_)) continue;
      LogRecordObject *record = TakeRecord();
      bool filled = false;
      try {
        filled = record->Fill(line);
      } catch (...) {
        record->Release();
        throw;
      }
      if (!filled) {
        // A malformed line after all; the record stays for the next one.
        record->Release();
        continue;
      }
      records[stored++] = record;
    }
  } catch (const std::bad_alloc &) {
    if (stored == 0) return hf::kE_OUTOFMEMORY;
  } catch (...) {
    if (stored == 0) return hf::kE_FAIL;
  }
  if (fetched != nullptr) *fetched = stored;
  return stored == count ? hf::kS_OK : hf::kS_FALSE;
}

}  // namespace morvex
