// A value's text: a size query, a buffer of that size, a data query, then the
// little-endian code units up to the first NUL.
#include "store/value_text.h"

#include <atomic>
#include <limits>
#include <new>
#include <vector>

namespace hf {
namespace {

constexpr Status kErrorOutOfMemory = 14;  // ERROR_OUTOFMEMORY

ValueBuffer DefaultAllocator(std::size_t bytes) {
  return ValueBuffer(new (std::nothrow) std::uint8_t[bytes]);
}

std::atomic<BufferAllocator> gAllocator{&DefaultAllocator};

}  // namespace

BufferAllocator SetBufferAllocatorForTesting(BufferAllocator allocator) noexcept {
  return gAllocator.exchange(allocator != nullptr ? allocator : &DefaultAllocator);
}

ValueText ReadValueText(const SettingsKey &key, const char16_t *name) {
  ValueText result;
  platform::SettingsStore &store = key.store();

  std::uint32_t size = 0;
  const Status sizeStatus = store.QuerySize(key.get(), name, &size);
  if (sizeStatus == kErrorFileNotFound) {
    result.state = ValueState::kMissing;
    return result;
  }
  // A store that ran out of memory has not found the value unreadable: report
  // it as the want of memory it is, so that no caller takes it for "no list".
  if (sizeStatus == kErrorNotEnoughMemory || sizeStatus == kErrorOutOfMemory) {
    result.state = ValueState::kNoMemory;
    return result;
  }
  if (sizeStatus != kErrorSuccess) {
    result.state = ValueState::kQueryFailed;
    return result;
  }
  if (size == 0) {
    result.state = ValueState::kZeroBytes;
    return result;
  }
  if (size > kMaxValueBytes) {
    result.state = ValueState::kTooLarge;
    return result;
  }

  ValueBuffer buffer = gAllocator.load()(size);
  if (!buffer) {
    result.state = ValueState::kNoMemory;
    return result;
  }
  std::uint32_t delivered = size;
  // A failed second query (the value changed in between) leaves the buffer
  // undefined: report it rather than take its bytes, so no caller rewrites the
  // value from garbage or from nothing.
  if (store.QueryData(key.get(), name, buffer.get(), &delivered) != kErrorSuccess) {
    result.state = ValueState::kReadFailed;
    return result;
  }
  if (delivered > size) delivered = size;

  const std::size_t units = delivered / 2;
  std::size_t length = 0;
  while (length < units) {
    const auto unit = static_cast<char16_t>(buffer[2 * length] | (buffer[2 * length + 1] << 8));
    if (unit == u'\0') break;
    ++length;
  }
  result.text.resize(length);
  for (std::size_t i = 0; i < length; ++i)
    result.text[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
  result.state = ValueState::kText;
  return result;
}

bool WriteValueText(const SettingsKey &key, const char16_t *name, std::u16string_view text) {
  if (text.size() > kMaxValueBytes / 2) return false;
  std::vector<std::uint8_t> bytes(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
  return key.store().SetValue(key.get(), name, platform::kRegMultiSz,
                              bytes.empty() ? nullptr : bytes.data(),
                              static_cast<std::uint32_t>(bytes.size())) == kErrorSuccess;
}

}  // namespace hf
