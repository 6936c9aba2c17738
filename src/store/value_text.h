// Reading and writing one registry value as UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/types.h"
#include "store/settings_key.h"

namespace hf {

// What a read of a value found.
enum class ValueState {
  kText,         // data of at least one byte was read; text holds it
  kMissing,      // the size query answered "not found"
  kQueryFailed,  // the size query failed otherwise
  kZeroBytes,    // the value exists with no data
  kNoMemory,     // the buffer for the data could not be obtained, or the size
                 // query itself ran out of memory
  kReadFailed,   // the data query failed after the size query succeeded
  kTooLarge,     // the value holds more than kMaxValueBytes; nothing was read
};

// The most data bytes a stored list may hold: a ranked list of three and a
// removal list of tens of thousands of folders fit easily. A larger value is
// treated as unreadable without being read, and no write makes one.
constexpr std::uint32_t kMaxValueBytes = 4u << 20;

struct ValueText {
  ValueState state = ValueState::kMissing;
  WideString text;  // up to the first NUL code unit; an odd last byte is dropped
};

using ValueBuffer = std::unique_ptr<std::uint8_t[]>;

// Obtains a buffer of the given size, or null when memory is short.
using BufferAllocator = ValueBuffer (*)(std::size_t bytes);

// Installs the allocator for value buffers (nullptr restores the default) and
// returns the previous one.
BufferAllocator SetBufferAllocatorForTesting(BufferAllocator allocator) noexcept;

// Reads the value name of the open key. Throws std::bad_alloc only when the
// text itself cannot be held.
ValueText ReadValueText(const SettingsKey &key, const char16_t *name);

// Sets the value to type REG_MULTI_SZ holding exactly the code units of text
// (no terminator). Returns false without writing when text needs more than
// kMaxValueBytes, and false when the store refused the write (a full disk):
// an addition that was not stored is not reported as made.
[[nodiscard]] bool WriteValueText(const SettingsKey &key, const char16_t *name,
                                  std::u16string_view text);

}  // namespace hf
