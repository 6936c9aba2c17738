#include "log_record.h"

#include "line_fields.h"

namespace morvex {

hf::HRESULT LogRecordObject::QueryInterface(const hf::Guid &iid, void **out) {
  return QueryOne(hf::kIidLogRecord, iid, out);
}

hf::HRESULT LogRecordObject::GetObjectPath(const hf::NativeChar16 **text) {
  if (text == nullptr) return hf::kE_INVALIDARG;
  *text = texts_.data();
  return hf::kS_OK;
}

hf::HRESULT LogRecordObject::GetSecondText(const hf::NativeChar16 **text) {
  if (text == nullptr) return hf::kE_INVALIDARG;
  *text = texts_.data() + secondOffset_;
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

bool LogRecordObject::Fill(const LogLine &line) {
  FieldTexts split;
  if (!SplitFields(line.texts, line.textsSize, texts_.Reserve(FieldUnitsNeeded(line.textsSize)), &split))
    return false;
  secondOffset_ = split.secondOffset;
  number_ = line.number;
  time_ = line.time;
  return true;
}

}  // namespace morvex
