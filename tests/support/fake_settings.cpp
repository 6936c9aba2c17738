#include "fake_settings.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "store/folder_list.h"

namespace hf::test {

void FakeSettings::SetText(const std::u16string &name, const std::u16string &text) {
  Value value;
  for (char16_t unit : text) {
    value.bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  values[name] = value;
}

std::optional<std::u16string> FakeSettings::Text(const std::u16string &name) const {
  const auto found = values.find(name);
  if (found == values.end()) return std::nullopt;
  std::u16string text;
  const auto &bytes = found->second.bytes;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return text;
}

std::vector<FakeSettings::Call> FakeSettings::CallsOf(Op op) const {
  std::vector<Call> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
               [op](const Call &call) { return call.op == op; });
  return out;
}

Status FakeSettings::OpenKey(std::uint32_t access, platform::KeyHandle *key) {
  calls.push_back({Op::kOpen, access, {}});
  if (!keyExists) return kErrorFileNotFound;
  const auto scripted = openStatus.find(access);
  if (scripted != openStatus.end() && scripted->second != kErrorSuccess) return scripted->second;
  *key = &token_;
  ++openHandles_;
  return kErrorSuccess;
}

Status FakeSettings::QuerySize(platform::KeyHandle, const char16_t *name,
                                         std::uint32_t *bytes) {
  calls.push_back({Op::kQuerySize, 0, name});
  if (throwOnQuery == Throw::kBadAlloc) throw std::bad_alloc();
  if (throwOnQuery == Throw::kComError) throw ComError(kE_OUTOFMEMORY);
  const auto scripted = sizeStatus.find(name);
  if (scripted != sizeStatus.end()) return scripted->second;
  const auto found = values.find(name);
  if (found == values.end()) return kErrorFileNotFound;
  const auto size = sizeOverride.find(name);
  *bytes = size != sizeOverride.end() ? size->second
                                      : static_cast<std::uint32_t>(found->second.bytes.size());
  return kErrorSuccess;
}

Status FakeSettings::QueryData(platform::KeyHandle, const char16_t *name,
                                         std::uint8_t *buffer, std::uint32_t *bytes) {
  calls.push_back({Op::kQueryData, 0, name});
  const auto scripted = dataStatus.find(name);
  if (scripted != dataStatus.end()) return scripted->second;
  const auto found = values.find(name);
  if (found == values.end()) return kErrorFileNotFound;
  const auto &data = found->second.bytes;
  const std::size_t n = std::min<std::size_t>(*bytes, data.size());
  if (n > 0) std::memcpy(buffer, data.data(), n);
  *bytes = static_cast<std::uint32_t>(n);
  return kErrorSuccess;
}

Status FakeSettings::SetValue(platform::KeyHandle, const char16_t *name,
                                        std::uint32_t type, const std::uint8_t *data,
                                        std::uint32_t bytes) {
  calls.push_back({Op::kSetValue, 0, name});
  const auto refused = setValueStatus.find(CallsOf(Op::kSetValue).size());
  if (refused != setValueStatus.end()) return refused->second;
  Value value;
  value.type = type;
  if (bytes > 0) value.bytes.assign(data, data + bytes);
  values[name] = value;
  return kErrorSuccess;
}

void FakeSettings::CloseKey(platform::KeyHandle) {
  calls.push_back({Op::kClose, 0, {}});
  --openHandles_;
}

}  // namespace hf::test
