// A cursor over one history log: streams the file and hands out its
// well-formed record lines one by one.
#pragma once

#include <string>

#include "com_object.h"
#include "line_reader.h"
#include "log_line.h"

namespace morvex {

class LogRecordObject;

class LogCursorObject final : public ComObject<hf::ILogCursor> {
 public:
  // A cursor over the file at path (UTF-8); a missing file yields no record.
  explicit LogCursorObject(std::string path) noexcept;
  ~LogCursorObject() override;

  hf::HRESULT QueryInterface(const hf::Guid &iid, void **out) override;
  // Stores up to count records, each holding one reference for the caller.
  // S_OK when all count were stored; S_FALSE when the log ended before.
  hf::HRESULT Next(std::uint32_t count, hf::ILogRecord **records, std::uint32_t *fetched) override;
  // (Re)starts the cursor at the log's first record.
  hf::HRESULT Begin() override;

 private:
  // A record to fill: the cursor's spare one when the caller has released it,
  // else a new one, which becomes the spare.
  LogRecordObject *TakeRecord();

  std::string path_;
  LineReader reader_;
  bool begun_ = false;
  DateMemo date_;  // the date of the last line parsed
  LogRecordObject *spare_ = nullptr;  // holds one reference of the cursor's
};

}  // namespace morvex
