#include "fakes/settings.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "store/folder_list.h"

namespace hf::fakes {
namespace {

constexpr Status kErrorMoreData = 234;

bool GrantsWrite(std::uint32_t access) noexcept {
  return (access & platform::kKeyWrite & ~platform::kKeyRead) != 0;
}

}  // namespace

// ---- FaultySettings

FaultySettings &FaultySettings::operator=(const FaultySettings &other) {
  if (this == &other) return *this;
  std::scoped_lock lock(mutex_, other.mutex_);
  openStatus = other.openStatus;
  sizeStatus = other.sizeStatus;
  existingSizeStatus = other.existingSizeStatus;
  sizeOverride = other.sizeOverride;
  dataStatus = other.dataStatus;
  setValueStatus = other.setValueStatus;
  throwOnQuery = other.throwOnQuery;
  dataMode = other.dataMode;
  extra = other.extra;
  calls = other.calls;
  open_ = other.open_;
  opened_ = other.opened_;
  closeCalls_ = other.closeCalls_;
  misuse_ = other.misuse_;
  return *this;
}

std::size_t FaultySettings::Record(Call call) {
  calls.push_back(std::move(call));
  return calls.size() - 1;
}

void FaultySettings::Note(const char *misuse) {
  if (misuse_ == nullptr) misuse_ = misuse;
}

std::vector<FaultySettings::Call> FaultySettings::CallsOf(Op op) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Call> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [op](const Call &call) { return call.op == op; });
  return out;
}

std::vector<FaultySettings::Call> FaultySettings::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Call> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
               [](const Call &call) { return call.op == Op::kSetValue && call.result == kErrorSuccess; });
  return out;
}

int FaultySettings::OpenHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opened_ - closeCalls_;
}

const char *FaultySettings::Misuse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return misuse_;
}

Status FaultySettings::OpenKey(std::uint32_t access, platform::KeyHandle *key) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t call = Record({Op::kOpen, access, {}, {}, kErrorSuccess});
  Status result;
  const auto scripted = openStatus.find(access);
  if (key == nullptr) {
    Note("OpenKey without a place for the handle");
    result = kE_INVALIDARG;
  } else if (scripted != openStatus.end() && scripted->second != kErrorSuccess) {
    result = scripted->second;
  } else {
    result = SettingsWrapper::OpenKey(access, key);
    if (result == kErrorSuccess) {
      open_[*key] = access;
      ++opened_;
    }
  }
  calls[call].result = result;
  return result;
}

Status FaultySettings::QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t call = Record({Op::kQuerySize, 0, name != nullptr ? name : u"", {}, kErrorSuccess});
  if (!IsOpen(key) || name == nullptr || bytes == nullptr) {
    Note("size query with a stale handle or a null argument");
    return calls[call].result = kE_INVALIDARG;
  }
  if (throwOnQuery == Throw::kBadAlloc) throw std::bad_alloc();
  if (throwOnQuery == Throw::kComError) throw ComError(kE_OUTOFMEMORY);
  const auto scripted = sizeStatus.find(name);
  if (scripted != sizeStatus.end()) return calls[call].result = scripted->second;
  // The output is written only on success, as the registry does.
  std::uint32_t size = 0;
  Status result = SettingsWrapper::QuerySize(key, name, &size);
  if (result == kErrorSuccess && existingSizeStatus != kErrorSuccess) result = existingSizeStatus;
  if (result == kErrorSuccess) {
    const auto scriptedSize = sizeOverride.find(name);
    if (scriptedSize != sizeOverride.end()) size = scriptedSize->second;
    else if (dataMode == DataMode::kShrunk) size += extra;
    *bytes = size;
  }
  return calls[call].result = result;
}

Status FaultySettings::QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                                 std::uint32_t *bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t call = Record({Op::kQueryData, 0, name != nullptr ? name : u"", {}, kErrorSuccess});
  if (!IsOpen(key) || name == nullptr || bytes == nullptr) {
    Note("data query with a stale handle or a null argument");
    return calls[call].result = kE_INVALIDARG;
  }
  if (buffer == nullptr && *bytes != 0) {
    Note("data query without a buffer");
    return calls[call].result = kE_INVALIDARG;
  }
  const auto scripted = dataStatus.find(name);
  if (scripted != dataStatus.end()) return calls[call].result = scripted->second;
  if (dataMode != DataMode::kGrown) return calls[call].result = SettingsWrapper::QueryData(key, name, buffer, bytes);

  std::uint32_t size = 0;
  const Status found = SettingsWrapper::QuerySize(key, name, &size);
  if (found != kErrorSuccess) return calls[call].result = found;
  const std::uint32_t grown = size + extra;
  if (grown > *bytes) {
    // The registry's answer to a buffer that is too small: the size it would
    // need, and contents that must not be trusted.
    if (buffer != nullptr) std::memset(buffer, 0xCD, *bytes);
    *bytes = grown;
    return calls[call].result = kErrorMoreData;
  }
  const Status result = SettingsWrapper::QueryData(key, name, buffer, bytes);
  if (result == kErrorSuccess) *bytes = grown;
  return calls[call].result = result;
}

Status FaultySettings::SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type,
                                const std::uint8_t *data, std::uint32_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  Call record{Op::kSetValue, 0, name != nullptr ? name : u"", {type, {}}, kErrorSuccess};
  if (data != nullptr && bytes != 0) record.value.bytes.assign(data, data + bytes);
  const std::size_t call = Record(std::move(record));
  if (!IsOpen(key) || name == nullptr || (data == nullptr && bytes != 0)) {
    Note("write with a stale handle or a null argument");
    return calls[call].result = kE_INVALIDARG;
  }
  if (!GrantsWrite(open_[key])) Note("write through a handle opened for reading");
  const std::size_t nth = static_cast<std::size_t>(
      std::count_if(calls.begin(), calls.end(), [](const Call &c) { return c.op == Op::kSetValue; }));
  const auto refused = setValueStatus.find(nth);
  if (refused != setValueStatus.end()) return calls[call].result = refused->second;
  return calls[call].result = SettingsWrapper::SetValue(key, name, type, data, bytes);
}

void FaultySettings::CloseKey(platform::KeyHandle key) {
  std::lock_guard<std::mutex> lock(mutex_);
  Record({Op::kClose, 0, {}, {}, kErrorSuccess});
  ++closeCalls_;
  if (open_.erase(key) == 0) {
    Note("a handle closed twice or never opened");
    return;
  }
  SettingsWrapper::CloseKey(key);
}

// ---- MemorySettings

MemorySettings &MemorySettings::operator=(const MemorySettings &other) {
  if (this == &other) return *this;
  FaultySettings::operator=(other);
  keyExists = other.keyExists;
  values = other.values;
  return *this;
}

void MemorySettings::SetText(const std::u16string &name, const std::u16string &text) {
  SettingsValue value;
  for (char16_t unit : text) {
    value.bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  values[name] = value;
}

std::optional<std::u16string> MemorySettings::Text(const std::u16string &name) const {
  const auto found = values.find(name);
  if (found == values.end()) return std::nullopt;
  std::u16string text;
  const auto &bytes = found->second.bytes;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return text;
}

Status MemorySettings::Key::OpenKey(std::uint32_t, platform::KeyHandle *key) {
  if (!owner_.keyExists) return kErrorFileNotFound;
  *key = reinterpret_cast<platform::KeyHandle>(++serial_);
  return kErrorSuccess;
}

Status MemorySettings::Key::QuerySize(platform::KeyHandle, const char16_t *name, std::uint32_t *bytes) {
  const auto found = owner_.values.find(name);
  if (found == owner_.values.end()) return kErrorFileNotFound;
  *bytes = static_cast<std::uint32_t>(found->second.bytes.size());
  return kErrorSuccess;
}

Status MemorySettings::Key::QueryData(platform::KeyHandle, const char16_t *name, std::uint8_t *buffer,
                                      std::uint32_t *bytes) {
  const auto found = owner_.values.find(name);
  if (found == owner_.values.end()) return kErrorFileNotFound;
  const auto &data = found->second.bytes;
  const std::size_t n = std::min<std::size_t>(*bytes, data.size());
  if (n > 0) std::memcpy(buffer, data.data(), n);
  *bytes = static_cast<std::uint32_t>(n);
  return kErrorSuccess;
}

Status MemorySettings::Key::SetValue(platform::KeyHandle, const char16_t *name, std::uint32_t type,
                                     const std::uint8_t *data, std::uint32_t bytes) {
  SettingsValue value;
  value.type = type;
  if (bytes > 0) value.bytes.assign(data, data + bytes);
  owner_.values[name] = std::move(value);
  return kErrorSuccess;
}

std::u16string TextBeforeNul(const std::vector<std::uint8_t> &bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace hf::fakes
