#include "memory_settings.h"

#include <algorithm>
#include <cstring>

namespace hf::fuzz {
namespace {

constexpr Status kErrorMoreData = 234;

bool GrantsWrite(std::uint32_t access) noexcept { return (access & platform::kKeyWrite & ~platform::kKeyRead) != 0; }

}  // namespace

MemorySettings::~MemorySettings() {
  for (Handle *handle : open_) delete handle;
}

bool MemorySettings::Valid(platform::KeyHandle key) const {
  return open_.count(static_cast<Handle *>(key)) != 0;
}

void MemorySettings::Note(const char *misuse) {
  if (misuse_ == nullptr) misuse_ = misuse;
}

Status MemorySettings::OpenKey(std::uint32_t access, platform::KeyHandle *key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (key == nullptr) {
    Note("OpenKey without a place for the handle");
    return kE_INVALIDARG;
  }
  if (!keyExists) return kErrorFileNotFound;
  if (writeRefused && GrantsWrite(access)) return kErrorAccessDenied;
  auto *handle = new Handle{access};
  open_.insert(handle);
  *key = handle;
  return kErrorSuccess;
}

Status MemorySettings::QuerySize(platform::KeyHandle key, const char16_t *name, std::uint32_t *bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Valid(key) || name == nullptr || bytes == nullptr) {
    Note("size query with a stale handle or a null argument");
    return kE_INVALIDARG;
  }
  const auto found = values.find(name);
  if (found == values.end()) return kErrorFileNotFound;
  if (sizeStatus != 0) return sizeStatus;
  auto size = static_cast<std::uint32_t>(found->second.bytes.size());
  if (dataMode == DataMode::kShrunk) size += extra;
  *bytes = size;
  return kErrorSuccess;
}

Status MemorySettings::QueryData(platform::KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                                 std::uint32_t *bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Valid(key) || name == nullptr || bytes == nullptr) {
    Note("data query with a stale handle or a null argument");
    return kE_INVALIDARG;
  }
  const auto found = values.find(name);
  if (found == values.end()) return kErrorFileNotFound;
  const std::vector<std::uint8_t> &data = found->second.bytes;
  std::uint32_t size = static_cast<std::uint32_t>(data.size());
  if (dataMode == DataMode::kGrown) size += extra;
  if (size > *bytes) {
    // The registry's answer to a buffer that is too small: the size it would
    // need, and contents that must not be trusted.
    if (buffer != nullptr) std::memset(buffer, 0xCD, *bytes);
    *bytes = size;
    return kErrorMoreData;
  }
  if (size > 0 && buffer == nullptr) {
    Note("data query without a buffer");
    return kE_INVALIDARG;
  }
  if (!data.empty()) std::memcpy(buffer, data.data(), std::min<std::size_t>(data.size(), size));
  *bytes = size;
  return kErrorSuccess;
}

Status MemorySettings::SetValue(platform::KeyHandle key, const char16_t *name, std::uint32_t type,
                                const std::uint8_t *data, std::uint32_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Valid(key) || name == nullptr || (data == nullptr && bytes != 0)) {
    Note("write with a stale handle or a null argument");
    return kE_INVALIDARG;
  }
  if (!GrantsWrite(static_cast<Handle *>(key)->access)) Note("write through a handle opened for reading");
  MemoryValue value;
  value.type = type;
  if (bytes != 0) value.bytes.assign(data, data + bytes);
  values[name] = value;
  writes_.push_back(MemoryWrite{name, value});
  return kErrorSuccess;
}

void MemorySettings::CloseKey(platform::KeyHandle key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto *handle = static_cast<Handle *>(key);
  if (open_.erase(handle) == 0) {
    Note("a handle closed twice or never opened");
    return;
  }
  delete handle;
}

std::vector<MemoryWrite> MemorySettings::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

std::size_t MemorySettings::OpenHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.size();
}

const char *MemorySettings::Misuse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return misuse_;
}

std::u16string TextOfValue(const std::vector<std::uint8_t> &bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace hf::fuzz
