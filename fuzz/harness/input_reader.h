// Carves typed values out of a fuzz input, front to back. Once the input is
// used up every read gives zero or an empty result, so any input is valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hf::fuzz {

class InputReader {
 public:
  InputReader(const std::uint8_t *data, std::size_t size) noexcept : data_(data), size_(size) {}

  bool Empty() const noexcept { return offset_ >= size_; }
  std::size_t Remaining() const noexcept { return size_ - offset_; }

  std::uint8_t Byte() noexcept { return Empty() ? 0 : data_[offset_++]; }

  std::uint16_t U16() noexcept {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }

  std::uint32_t U32() noexcept {
    const std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }

  bool Flag() noexcept { return (Byte() & 1) != 0; }

  // A value in 0..bound-1 (0 when bound is 0).
  std::uint32_t Below(std::uint32_t bound) noexcept { return bound == 0 ? 0 : U32() % bound; }

  // A byte count (one byte, so small), then that many bytes.
  std::vector<std::uint8_t> Bytes(std::size_t limit = 255) { return Take(Byte(), limit); }

  // A byte count of two bytes, then that many bytes (as many as are left).
  std::vector<std::uint8_t> LongBytes(std::size_t limit = 65535) { return Take(U16(), limit); }

  // A code-unit count (one byte), then that many little-endian UTF-16 units.
  std::u16string Text(std::size_t limit = 255) {
    std::size_t count = Byte();
    if (count > limit) count = limit;
    std::u16string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count && !Empty(); ++i) out.push_back(static_cast<char16_t>(U16()));
    return out;
  }

 private:
  std::vector<std::uint8_t> Take(std::size_t count, std::size_t limit) {
    if (count > limit) count = limit;
    if (count > Remaining()) count = Remaining();
    std::vector<std::uint8_t> out(data_ + offset_, data_ + offset_ + count);
    offset_ += count;
    return out;
  }

  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// Little-endian UTF-16 code units of bytes; an odd last byte is dropped.
inline std::u16string UnitsOf(const std::uint8_t *data, std::size_t size) {
  std::u16string out;
  out.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2)
    out.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return out;
}

// The bytes of text as a registry value holds them: 2 per unit, little-endian.
inline std::vector<std::uint8_t> BytesOf(const std::u16string &text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
}

}  // namespace hf::fuzz
