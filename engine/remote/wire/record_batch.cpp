#include "record_batch.h"

#include <cstring>

namespace morvex::wire {
namespace {

void Put32(std::uint8_t *at, std::uint32_t value) noexcept {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t *at) noexcept {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

std::uint16_t Get16(const std::uint8_t *at) noexcept {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

void AppendUnits(std::vector<std::uint8_t> &bytes, const hf::NativeChar16 *text, std::uint32_t units) {
  const std::size_t at = bytes.size();
  bytes.resize(at + std::size_t{units} * 2);
  for (std::uint32_t i = 0; i < units; ++i) {
    const auto unit = static_cast<std::uint16_t>(text[i]);
    bytes[at + 2 * i] = static_cast<std::uint8_t>(unit);
    bytes[at + 2 * i + 1] = static_cast<std::uint8_t>(unit >> 8);
  }
}

}  // namespace

BatchWriter::BatchWriter() : bytes_(kBatchHeaderSize) {
  Put32(bytes_.data(), kBatchMagic);
  Put32(bytes_.data() + 4, 0);
}

void BatchWriter::Add(const hf::NativeChar16 *path, std::uint32_t pathUnits, const hf::NativeChar16 *second,
                      std::uint32_t secondUnits, std::int32_t number, const hf::Timestamp &time) {
  const std::size_t at = bytes_.size();
  bytes_.resize(at + kRecordHeaderSize);
  std::uint8_t *header = bytes_.data() + at;
  Put32(header, pathUnits);
  Put32(header + 4, secondUnits);
  Put32(header + 8, static_cast<std::uint32_t>(number));
  const std::uint16_t fields[8] = {time.year,   time.month,  time.dayOfWeek, time.day,
                                   time.hour,   time.minute, time.second,    time.milliseconds};
  for (int i = 0; i < 8; ++i) {
    header[12 + 2 * i] = static_cast<std::uint8_t>(fields[i]);
    header[13 + 2 * i] = static_cast<std::uint8_t>(fields[i] >> 8);
  }
  AppendUnits(bytes_, path, pathUnits);
  AppendUnits(bytes_, second, secondUnits);
  ++count_;
  Put32(bytes_.data() + 4, count_);
}

bool ParseBatch(const std::uint8_t *data, std::size_t size, std::vector<RecordView> *records) {
  records->clear();
  if (data == nullptr || size < kBatchHeaderSize || Get32(data) != kBatchMagic) return false;
  const std::uint32_t count = Get32(data + 4);
  // Every record takes at least its header, so a larger count cannot be true.
  if (count > (size - kBatchHeaderSize) / kRecordHeaderSize) return false;
  records->reserve(count);
  std::size_t at = kBatchHeaderSize;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (size - at < kRecordHeaderSize) break;
    const std::uint8_t *header = data + at;
    RecordView view;
    view.pathUnits = Get32(header);
    view.secondUnits = Get32(header + 4);
    view.number = static_cast<std::int32_t>(Get32(header + 8));
    view.time = {Get16(header + 12), Get16(header + 14), Get16(header + 16), Get16(header + 18),
                 Get16(header + 20), Get16(header + 22), Get16(header + 24), Get16(header + 26)};
    at += kRecordHeaderSize;
    // Lengths are checked one at a time against what is left, so no sum overflows.
    const std::uint64_t pathBytes = std::uint64_t{view.pathUnits} * 2;
    if (pathBytes > size - at) break;
    view.pathOffset = at;
    at += static_cast<std::size_t>(pathBytes);
    const std::uint64_t secondBytes = std::uint64_t{view.secondUnits} * 2;
    if (secondBytes > size - at) break;
    view.secondOffset = at;
    at += static_cast<std::size_t>(secondBytes);
    records->push_back(view);
  }
  if (records->size() != count || at != size) {
    records->clear();
    return false;
  }
  return true;
}

void CopyUnits(const std::uint8_t *from, std::uint32_t units, hf::NativeChar16 *target) noexcept {
  for (std::uint32_t i = 0; i < units; ++i)
    target[i] = static_cast<hf::NativeChar16>(from[2 * i] | (from[2 * i + 1] << 8));
}

void WriteCursorHeader(const CursorHeader &header, std::uint8_t (&bytes)[kCursorHeaderSize]) noexcept {
  Put32(bytes, header.magic);
  Put32(bytes + 4, header.batchRecords);
  Put32(bytes + 8, header.sectionBytes);
  Put32(bytes + 12, header.sectionNameUnits);
}

bool ReadCursorHeader(const std::uint8_t (&bytes)[kCursorHeaderSize], CursorHeader *header) noexcept {
  header->magic = Get32(bytes);
  header->batchRecords = Get32(bytes + 4);
  header->sectionBytes = Get32(bytes + 8);
  header->sectionNameUnits = Get32(bytes + 12);
  return header->magic == kCursorMagic && header->batchRecords != 0 &&
         header->sectionNameUnits <= kMaxSectionNameUnits;
}

}  // namespace morvex::wire
