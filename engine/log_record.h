// One record of a history log as the engine hands it out.
#pragma once

#include "com_object.h"
#include "log_line.h"
#include "text_buffer.h"

namespace morvex {

class LogRecordObject final : public ComObject<hf::ILogRecord> {
 public:
  hf::HRESULT QueryInterface(const hf::Guid &iid, void **out) override;
  hf::HRESULT GetObjectPath(const hf::NativeChar16 **text) override;
  hf::HRESULT GetSecondText(const hf::NativeChar16 **text) override;
  hf::HRESULT GetNumber(std::int32_t *number) override;
  hf::HRESULT GetTime(hf::Timestamp *time) override;

  // Takes the fields of a parsed line; the texts are split and decoded into
  // storage of the record's own. False, the record unchanged in meaning, when
  // the texts do not split into two. Throws std::bad_alloc when that storage
  // cannot grow. The line must be followed by kFieldReadSlack readable bytes.
  [[nodiscard]] bool Fill(const LogLine &line);

  // True when nobody but its creator holds the record, so it may be refilled.
  bool Reusable() const noexcept { return SoleReference(); }

 private:
  TextBuffer texts_;  // the path, NUL, the second text, NUL
  std::size_t secondOffset_ = 0;
  std::int32_t number_ = 0;
  hf::Timestamp time_{};
};

}  // namespace morvex
