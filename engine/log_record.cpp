#include "log_record.h"

#include "engine_ids.h"

namespace morvex {

hf::HRESULT LogRecordObject::QueryInterface(const hf::Guid &iid, void **out) {
  return QueryOne(kIidLogRecord, iid, out);
}

hf::HRESULT LogRecordObject::GetObjectPath(const hf::NativeChar16 **text) {
  if (text == nullptr) return hf::kE_INVALIDARG;
  *text = path_.c_str();
  return hf::kS_OK;
}

hf::HRESULT LogRecordObject::GetSecondText(const hf::NativeChar16 **text) {
  if (text == nullptr) return hf::kE_INVALIDARG;
  *text = secondText_.c_str();
  return hf::kS_OK;
}

hf::HRESULT LogRecordObject::GetNumber(std::int32_t *number) {
  if (number == nullptr) return hf::kE_INVALIDARG;
  *number = number_;
  return hf::kS_OK;
}

hf::HRESULT LogRecordObject::GetTime(hf::Timestamp *time) {
  if (time == nullptr) return hf::kE_INVALIDARG;
  *time = time_;
  return hf::kS_OK;
}

void LogRecordObject::Fill(const LogLine &line) {
  path_.AssignUtf8(line.path, line.pathSize);
  secondText_.AssignUtf8(line.secondText, line.secondTextSize);
  number_ = line.number;
  time_ = line.time;
}

}  // namespace morvex
