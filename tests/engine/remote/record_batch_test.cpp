// The batch format between the engine server and its client: what is written
// reads back field for field, and damaged bytes are refused, never read past.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "record_batch.h"

namespace {

using morvex::wire::BatchWriter;
using morvex::wire::ParseBatch;
using morvex::wire::RecordView;

struct Record {
  std::u16string path;
  std::u16string second;
  std::int32_t number;
  hf::Timestamp time;
};

std::vector<std::uint8_t> Write(const std::vector<Record> &records) {
  BatchWriter writer;
  for (const Record &r : records)
    writer.Add(reinterpret_cast<const hf::NativeChar16 *>(r.path.data()), static_cast<std::uint32_t>(r.path.size()),
               reinterpret_cast<const hf::NativeChar16 *>(r.second.data()),
               static_cast<std::uint32_t>(r.second.size()), r.number, r.time);
  return std::vector<std::uint8_t>(writer.Data(), writer.Data() + writer.Size());
}

std::u16string Text(const std::vector<std::uint8_t> &batch, std::size_t offset, std::uint32_t units) {
  std::u16string text(units, u'\0');
  morvex::wire::CopyUnits(batch.data() + offset, units, reinterpret_cast<hf::NativeChar16 *>(text.data()));
  return text;
}

const hf::Timestamp kTime{2026, 3, 0, 15, 23, 59, 58, 999};

TEST(RecordBatchTest, RecordsReadBackAsWritten) {
  const std::vector<std::vector<Record>> cases = {
      {},
      {{u"C:\\a\\b.txt", u"open", 7, kTime}},
      {{u"", u"", 0, hf::Timestamp{}}},
      {{u"C:\\\u00e9\u4e2d\\\U0001F600.txt", u"\u00fc", -2147483647 - 1, kTime},
       {u"D:\\x", u"second text", 2147483647, hf::Timestamp{1601, 1, 1, 1, 0, 0, 0, 0}},
       {std::u16string(5000, u'p'), std::u16string(3, u'\xffff'), -1, kTime}},
  };
  for (const auto &records : cases) {
    const std::vector<std::uint8_t> batch = Write(records);
    std::vector<RecordView> views;
    ASSERT_TRUE(ParseBatch(batch.data(), batch.size(), &views));
    ASSERT_EQ(views.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(Text(batch, views[i].pathOffset, views[i].pathUnits), records[i].path);
      EXPECT_EQ(Text(batch, views[i].secondOffset, views[i].secondUnits), records[i].second);
      EXPECT_EQ(views[i].number, records[i].number);
      const hf::Timestamp &t = views[i].time;
      const hf::Timestamp &w = records[i].time;
      EXPECT_EQ(std::vector<int>({t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds}),
                std::vector<int>({w.year, w.month, w.dayOfWeek, w.day, w.hour, w.minute, w.second, w.milliseconds}));
    }
  }
}

// Every prefix of a good batch is refused, as is every single-byte change to
// its headers that makes a length or the count disagree with the bytes.
TEST(RecordBatchTest, EveryTruncationIsRefused) {
  const std::vector<std::uint8_t> batch =
      Write({{u"C:\\one", u"a", 1, kTime}, {u"C:\\two\\longer", u"bb", 2, kTime}});
  for (std::size_t size = 0; size < batch.size(); ++size) {
    std::vector<std::uint8_t> cut(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(size));
    std::vector<RecordView> views;
    EXPECT_FALSE(ParseBatch(cut.data(), cut.size(), &views)) << "size " << size;
    EXPECT_TRUE(views.empty());
  }
}

void Put32(std::vector<std::uint8_t> &bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(RecordBatchTest, DamagedHeadersAreRefused) {
  const std::vector<std::uint8_t> good = Write({{u"C:\\one", u"a", 1, kTime}});
  const std::size_t record = morvex::wire::kBatchHeaderSize;
  struct Damage {
    const char *name;
    std::size_t at;
    std::uint32_t value;
  };
  const Damage damages[] = {
      {"magic", 0, 0x3142564Eu},
      {"count one more", 4, 2},
      {"count huge", 4, 0xFFFFFFFFu},
      {"count zero, record left over", 4, 0},
      {"path one unit longer", record, 7},
      {"path one unit shorter", record, 5},
      {"path length huge", record, 0xFFFFFFFFu},
      {"second text huge", record + 4, 0x80000000u},
      {"second text runs one past", record + 4, 2},
  };
  for (const Damage &d : damages) {
    std::vector<std::uint8_t> bad = good;
    Put32(bad, d.at, d.value);
    std::vector<RecordView> views;
    EXPECT_FALSE(ParseBatch(bad.data(), bad.size(), &views)) << d.name;
    EXPECT_TRUE(views.empty()) << d.name;
  }
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  std::vector<RecordView> views;
  EXPECT_FALSE(ParseBatch(longer.data(), longer.size(), &views)) << "a byte left over";
  EXPECT_FALSE(ParseBatch(nullptr, 0, &views)) << "no bytes";
}

TEST(RecordBatchTest, CursorHeader) {
  std::uint8_t bytes[morvex::wire::kCursorHeaderSize];
  morvex::wire::CursorHeader written;
  written.batchRecords = 2048;
  morvex::wire::WriteCursorHeader(written, bytes);
  morvex::wire::CursorHeader read;
  ASSERT_TRUE(morvex::wire::ReadCursorHeader(bytes, &read));
  EXPECT_EQ(read.batchRecords, 2048u);

  written.batchRecords = 0;
  morvex::wire::WriteCursorHeader(written, bytes);
  EXPECT_FALSE(morvex::wire::ReadCursorHeader(bytes, &read)) << "no record a fetch";
  written.batchRecords = 1;
  written.magic = morvex::wire::kBatchMagic;
  morvex::wire::WriteCursorHeader(written, bytes);
  EXPECT_FALSE(morvex::wire::ReadCursorHeader(bytes, &read)) << "a batch, not a cursor";

  written = morvex::wire::CursorHeader{};
  written.batchRecords = 1;
  written.sectionBytes = 4096;
  written.sectionNameUnits = morvex::wire::kMaxSectionNameUnits;
  morvex::wire::WriteCursorHeader(written, bytes);
  ASSERT_TRUE(morvex::wire::ReadCursorHeader(bytes, &read));
  EXPECT_EQ(read.sectionBytes, 4096u);
  EXPECT_EQ(read.sectionNameUnits, morvex::wire::kMaxSectionNameUnits);
  written.sectionNameUnits = morvex::wire::kMaxSectionNameUnits + 1;
  morvex::wire::WriteCursorHeader(written, bytes);
  EXPECT_FALSE(morvex::wire::ReadCursorHeader(bytes, &read)) << "a section name too long to read";
}

}  // namespace
