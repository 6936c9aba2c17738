// The bytes that carry a batch of log records, and a cursor's marshaling
// header, from the engine server to its client. Portable: both ends build it,
// and the tests run it on every platform.
//
// A batch: magic, record count, then each record as path length, second text
// length (UTF-16 units, no terminator), number, the eight time fields, the
// path units, the second text units. Little-endian, unaligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "abi/com_types.h"

namespace morvex::wire {

constexpr std::uint32_t kBatchMagic = 0x3142564Du;   // "MVB1"
constexpr std::uint32_t kCursorMagic = 0x3143564Du;  // "MVC1"
constexpr std::size_t kBatchHeaderSize = 8;
constexpr std::size_t kRecordHeaderSize = 4 + 4 + 4 + 16;

// Builds one batch.
class BatchWriter {
 public:
  BatchWriter();
  // Appends a record; the texts are given with their lengths in units.
  // Throws std::bad_alloc when the batch cannot grow.
  void Add(const hf::NativeChar16 *path, std::uint32_t pathUnits, const hf::NativeChar16 *second,
           std::uint32_t secondUnits, std::int32_t number, const hf::Timestamp &time);
  std::uint32_t Count() const noexcept { return count_; }
  std::size_t Size() const noexcept { return bytes_.size(); }
  // The finished batch; valid until the next Add.
  const std::uint8_t *Data() const noexcept { return bytes_.data(); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t count_ = 0;
};

// Where one record's fields lie in a checked batch.
struct RecordView {
  std::size_t pathOffset = 0;  // byte offset of the path units
  std::uint32_t pathUnits = 0;
  std::size_t secondOffset = 0;
  std::uint32_t secondUnits = 0;
  std::int32_t number = 0;
  hf::Timestamp time{};
};

// Checks a whole batch and lists its records. False, the list empty, when the
// bytes are not exactly one well-formed batch (wrong magic, a count or length
// that runs past the end, bytes left over).
[[nodiscard]] bool ParseBatch(const std::uint8_t *data, std::size_t size, std::vector<RecordView> *records);

// Copies units text units from unaligned bytes into target.
void CopyUnits(const std::uint8_t *from, std::uint32_t units, hf::NativeChar16 *target) noexcept;

// The header a cursor writes before the reference to its batch source: the
// magic, the number of records the client asks for in each fetch, and the
// shared section the source writes batches to (no name: none), then the
// section's name as UTF-16 units.
struct CursorHeader {
  std::uint32_t magic = kCursorMagic;
  std::uint32_t batchRecords = 0;
  std::uint32_t sectionBytes = 0;
  std::uint32_t sectionNameUnits = 0;
};
constexpr std::size_t kCursorHeaderSize = 16;
constexpr std::uint32_t kMaxSectionNameUnits = 128;
void WriteCursorHeader(const CursorHeader &header, std::uint8_t (&bytes)[kCursorHeaderSize]) noexcept;
// False when the bytes are not a cursor header, ask for no record a fetch, or
// announce a name longer than kMaxSectionNameUnits.
[[nodiscard]] bool ReadCursorHeader(const std::uint8_t (&bytes)[kCursorHeaderSize], CursorHeader *header) noexcept;

}  // namespace morvex::wire
