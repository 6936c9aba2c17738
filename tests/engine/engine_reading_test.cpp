// How the engine reads a log: line format, dates, text decoding, and the
// cases where there is nothing to read.
#include <fstream>
#include <string>

#include "engine_fixture.h"

namespace engine_test {
namespace {

using ReadingTest = EngineTest;

const std::string kGood = "2026-03-01 10:00:00.000\t7\tC:\\a\\b.exe\tkind\n";

TEST_F(ReadingTest, MalformedLinesAreSkipped) {
  struct Case {
    const char *line;
    bool accepted;
  };
  const Case cases[] = {
      {"2026-03-01 10:00:00.000\t7\tC:\\a\\b.exe\tkind", true},
      {"2026-03-01 10:00:00.000\t7\tC:\\a\\b.exe\tkind\r", true},
      {"2026-03-01 10:00:00.000\t-2147483648\t\t", true},
      {"2024-02-29 23:59:59.999\t2147483647\tp\tt", true},
      {"1601-01-01 00:00:00.000\t0\tp\tt", true},
      {"# 2026-03-01 10:00:00.000\t7\tp\tt", false},
      {"", false},
      {"\r", false},
      {"   ", false},
      {"2026-13-01 10:00:00.000\t7\tp\tt", false},
      {"2026-00-01 10:00:00.000\t7\tp\tt", false},
      {"2026-04-31 10:00:00.000\t7\tp\tt", false},
      {"2025-02-29 10:00:00.000\t7\tp\tt", false},
      {"2026-03-00 10:00:00.000\t7\tp\tt", false},
      {"2026-03-01 24:00:00.000\t7\tp\tt", false},
      {"2026-03-01 10:60:00.000\t7\tp\tt", false},
      {"2026-03-01 10:00:60.000\t7\tp\tt", false},
      {"1600-12-31 10:00:00.000\t7\tp\tt", false},
      {"2026-03-01T10:00:00.000\t7\tp\tt", false},
      {"2026-03-01 10:00:00\t7\tp\tt", false},
      {"2026-3-01 10:00:00.000\t7\tp\tt", false},
      {"2026-03-01 10:00:00.0a0\t7\tp\tt", false},
      {"2026-03-01 10:00:00.000 7\tp\tt", false},
      {"2026-03-01 10:00:00.000\t7\tp", false},
      {"2026-03-01 10:00:00.000\t7\tp\tt\textra", false},
      {"2026-03-01 10:00:00.000\t\tp\tt", false},
      {"2026-03-01 10:00:00.000\tseven\tp\tt", false},
      {"2026-03-01 10:00:00.000\t+7\tp\tt", false},
      {"2026-03-01 10:00:00.000\t-\tp\tt", false},
      {"2026-03-01 10:00:00.000\t2147483648\tp\tt", false},
      {"2026-03-01 10:00:00.000\t-2147483649\tp\tt", false},
      {"2026-03-01 10:00:00.000\t99999999999\tp\tt", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    // The case between two good lines: a bad line must not disturb its neighbours.
    WriteLog("first.log", kGood + c.line + "\n" + kGood);
    EXPECT_EQ(ReadLog().size(), c.accepted ? 3u : 2u);
  }
}

// Numbers of every width up to ten digits, the short ones read eight bytes at
// a time, the rest digit by digit: the same value either way.
TEST_F(ReadingTest, NumbersAreReadExactly) {
  struct Case {
    std::string field;
    bool accepted;
    std::int32_t number;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"7", true, 7},
      {"42", true, 42},
      {"305", true, 305},
      {"9999", true, 9999},
      {"12345", true, 12345},
      {"654321", true, 654321},
      {"1234567", true, 1234567},
      {"12345678", true, 12345678},
      {"123456789", true, 123456789},
      {"2147483647", true, 2147483647},
      {"0000007", true, 7},
      {"-1", true, -1},
      {"-1234567", true, -1234567},
      {"12a4", false, 0},
      {"1234567x", false, 0},
      {"123/", false, 0},
      {"12:", false, 0},
      {"1 2", false, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.field);
    WriteLog("first.log", "2026-03-01 10:00:00.000\t" + c.field + "\tC:\\dir\\file.txt\tkind\n");
    const auto records = ReadLog();
    ASSERT_EQ(records.size(), c.accepted ? 1u : 0u);
    if (c.accepted) {
      EXPECT_EQ(records[0].number, c.number);
    }
  }
}

TEST_F(ReadingTest, FieldsAreTakenAsWritten) {
  WriteLog("first.log", "2026-03-01 10:00:00.000\t-42\tD:\\Mail\\store.zip->docs\\a.exe\tsecond text\n");
  const auto records = ReadLog();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].path, u"D:\\Mail\\store.zip->docs\\a.exe");
  EXPECT_EQ(records[0].secondText, u"second text");
  EXPECT_EQ(records[0].number, -42);
}

TEST_F(ReadingTest, TimestampsCarryTheirDayOfWeek) {
  struct Case {
    const char *stamp;
    hf::Timestamp expected;  // year, month, day of week, day, hour, minute, second, ms
  };
  const Case cases[] = {
      {"2026-12-10 12:34:56.789", {2026, 12, 4, 10, 12, 34, 56, 789}},
      {"2024-02-29 00:00:00.000", {2024, 2, 4, 29, 0, 0, 0, 0}},
      {"2000-01-01 23:59:59.999", {2000, 1, 6, 1, 23, 59, 59, 999}},
      {"1601-01-01 00:00:00.001", {1601, 1, 1, 1, 0, 0, 0, 1}},
      {"2026-03-15 08:00:00.000", {2026, 3, 0, 15, 8, 0, 0, 0}},
      {"2100-03-01 00:00:00.000", {2100, 3, 1, 1, 0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.stamp);
    WriteLog("first.log", std::string(c.stamp) + "\t1\tp\tt\n");
    const auto records = ReadLog();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Fields(records[0].time), Fields(c.expected));
  }
}

TEST_F(ReadingTest, Utf8IsDecodedToUtf16) {
  struct Case {
    std::string utf8;
    std::u16string expected;
  };
  const Case cases[] = {
      {"plain ascii path long enough for blocks", u"plain ascii path long enough for blocks"},
      {"Donn\xC3\xA9" "es", u"Donn\u00E9es"},
      {"\xE8\xB3\x87\xE6\x96\x99", u"\u8CC7\u6599"},
      {"a\xF0\x9D\x84\x9E" "b", u"a\U0001D11Eb"},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"\xEF\xBF\xBD", u"\uFFFD"},
      {"\xFF", u"\uFFFD"},
      {"a\x80z", u"a\uFFFDz"},
      {"ab\xC3", u"ab\uFFFD"},
      {"\xC3(", u"\uFFFD("},
      {"\xE2\x82", u"\uFFFD"},
      {"\xE2\x82(", u"\uFFFD("},
      {"\xF0\x9F\x98", u"\uFFFD"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF5\x80", u"\uFFFD\uFFFD"},
      {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
      {std::string("nul\0byte in the middle of it", 28), u"nul\uFFFDbyte in the middle of it"},
      {"12345678\xC3\xA9" "12345678", u"12345678\u00E912345678"},
      // Two-byte sequences in a row, and what may end such a run.
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.exe", u"\u041F\u0440\u0438\u0432\u0435\u0442.exe"},
      {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
      {"\xD0\x9F\xD0(", u"\u041F\uFFFD("},
      {"\xD0\x9F\xD0", u"\u041F\uFFFD"},
      {"\xC3\xA9\xC1\xBF", u"\u00E9\uFFFD\uFFFD"},
      {"\xC3\xA9\xE8\xB3\x87\xC3\xA9", u"\u00E9\u8CC7\u00E9"},
      {"\xC3\xA9\x80", u"\u00E9\uFFFD"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.utf8);
    WriteLog("first.log", "2026-03-01 10:00:00.000\t1\t" + c.utf8 + "\t" + c.utf8 + "\n");
    const auto records = ReadLog();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].path, c.expected);
    EXPECT_EQ(records[0].secondText, c.expected);
  }
}

// Each text is decoded on its own, whatever the other holds: plain ASCII
// texts are widened in place, others decoded, and a path that shrinks or keeps
// its length in decoding must not shift or spoil the second text.
TEST_F(ReadingTest, PathAndSecondTextAreDecodedIndependently) {
  struct Text {
    std::string utf8;
    std::u16string expected;
  };
  const Text texts[] = {
      {"", u""},
      {"C:\\plain\\", u"C:\\plain\\"},
      {"C:\\a path longer than sixteen bytes\\x.txt", u"C:\\a path longer than sixteen bytes\\x.txt"},
      {"C:\\Donn\xC3\xA9" "es and more plain text after it\\", u"C:\\Donn\u00E9" "es and more plain text after it\\"},
      {"plain for twenty bytes, then \xF0\x9F\x98\x80", u"plain for twenty bytes, then \xD83D\xDE00"},
      {"lone \x80 byte keeps the length", u"lone \uFFFD byte keeps the length"},
      {std::string("nul\0 inside", 11), u"nul\uFFFD inside"},
      {"\xC3\xA9", u"\u00E9"},
  };
  for (const Text &path : texts) {
    for (const Text &second : texts) {
      SCOPED_TRACE(path.utf8 + " | " + second.utf8);
      WriteLog("first.log", "2026-03-01 10:00:00.000\t1\t" + path.utf8 + "\t" + second.utf8 + "\n");
      const auto records = ReadLog();
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(records[0].path, path.expected);
      EXPECT_EQ(records[0].secondText, second.expected);
    }
  }
}

TEST_F(ReadingTest, FileEdgesAreHandled) {
  struct Case {
    const char *name;
    std::string bytes;
    std::size_t records;
  };
  const std::string longLine = "2026-03-01 10:00:00.000\t1\t" + std::string(3u << 20, 'x') + "\tt\n";
  // Longer than one read from the file, shorter than the block: kept.
  const std::string wideLine = "2026-03-01 10:00:00.000\t1\t" + std::string(200u << 10, 'y') + "\tt\n";
  const Case cases[] = {
      {"empty file", "", 0},
      {"only comments", "# one\n#two\n\n", 0},
      {"last line without line break", kGood + "2026-03-01 10:00:00.000\t1\tp\tt", 2},
      {"byte-order mark", "\xEF\xBB\xBF" + kGood + kGood, 2},
      {"CRLF line breaks", "2026-03-01 10:00:00.000\t1\tp\tt\r\n2026-03-01 10:00:00.000\t1\tq\tt\r\n", 2},
      {"line longer than a read block", kGood + longLine + kGood, 2},
      {"line spanning several reads", kGood + wideLine + kGood + wideLine, 4},
      {"long line at the end", kGood + longLine, 1},
      {"binary garbage", std::string("\0\x01\xFF\n\n\t\t\t\n", 9) + kGood, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    WriteLog("first.log", c.bytes);
    EXPECT_EQ(ReadLog().size(), c.records);
  }
}

TEST_F(ReadingTest, LinesAcrossManyBlocksAreAllRead) {
  // Lines of varying length, so block ends fall inside lines and line breaks.
  std::string log;
  std::size_t expected = 0;
  for (int i = 0; log.size() < (5u << 20); ++i) {
    log += "2026-03-01 10:00:00.000\t" + std::to_string(i) + "\tC:\\" + std::string(static_cast<std::size_t>(i % 97), 'd') +
           "\\f.exe\tt\n";
    ++expected;
  }
  WriteLog("first.log", log);
  const auto records = ReadLog();
  ASSERT_EQ(records.size(), expected);
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_EQ(records[i].number, static_cast<std::int32_t>(i));
    ASSERT_EQ(records[i].path.size(), 3 + i % 97 + 6);
  }
}

TEST_F(ReadingTest, EachLogIsReadFromItsOwnFile) {
  WriteLog("first.log", "2026-03-01 10:00:00.000\t1\tfirst\tt\n");
  WriteLog("second.log", "2026-03-01 10:00:00.000\t2\tsecond\tt\n2026-03-01 10:00:00.000\t3\tsecond\tt\n");
  const auto first = ReadLog(true);
  const auto second = ReadLog(false);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].path, u"first");
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[1].number, 3);
}

TEST_F(ReadingTest, MissingLogGivesACursorWithoutRecords) {
  for (bool first : {true, false}) {
    SCOPED_TRACE(first ? "first.log" : "second.log");
    Ref<hf::ILogCursor> cursor;
    if (first)
      engine_->OpenFirstLog(cursor.Put());
    else
      engine_->OpenSecondLog(cursor.Put());
    ASSERT_NE(cursor.Get(), nullptr);
    cursor->Begin();
    hf::ILogRecord *record = nullptr;
    std::uint32_t fetched = 0;
    EXPECT_NE(cursor->Next(1, &record, &fetched), hf::kS_OK);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(fetched, 0u);
  }
  SetEnvironment("MORVEX_HISTORY_DIR", (workDir_ / "no such directory").string());
  EXPECT_TRUE(ReadLog().empty());
}

TEST_F(ReadingTest, BeginStartsOverAndNextWithoutBeginReads) {
  WriteLog("first.log", kGood + "2026-03-01 10:00:00.000\t8\tp\tt\n");
  Ref<hf::ILogCursor> cursor;
  OpenFirst(&cursor);
  std::int32_t numbers[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    if (i == 2) {
      EXPECT_EQ(cursor->Begin(), hf::kS_OK);
    }
    hf::ILogRecord *record = nullptr;
    ASSERT_EQ(cursor->Next(1, &record, nullptr), hf::kS_OK);
    numbers[i] = CopyRecord(record).number;
    record->Release();
  }
  EXPECT_EQ(numbers[0], 7);
  EXPECT_EQ(numbers[1], 8);
  EXPECT_EQ(numbers[2], 7);
}

TEST_F(ReadingTest, WithoutTheVariableTheLogsComeFromHistoryBesideKernel) {
  // A private prefix: <prefix>/Kernel/Morvex.dll and <prefix>/History/first.log.
  const auto prefix = workDir_ / "prefix";
  std::filesystem::create_directories(prefix / "Kernel");
  std::filesystem::create_directories(prefix / "History");
  std::filesystem::copy_file(BuildDir() / "Kernel" / "Morvex.dll", prefix / "Kernel" / "Morvex.dll");
  {
    std::ofstream out(prefix / "History" / "first.log", std::ios::binary);
    out << "2026-03-01 10:00:00.000\t5\tC:\\from\\history.exe\tt\n";
  }
  SetEnvironment("MORVEX_HISTORY_DIR", "");

  EngineLibrary copy((prefix / "Kernel" / "Morvex.dll").string());
  ASSERT_NE(copy.GetClassObject(), nullptr);
  Ref<hf::IClassFactoryAbi> factory;
  ASSERT_EQ(copy.GetClassObject()(hf::kClsidLogEngine, hf::kIidClassFactory, factory.PutVoid()), hf::kS_OK);
  Ref<hf::ILogEngine> engine;
  ASSERT_EQ(factory->CreateInstance(nullptr, hf::kIidLogEngine, engine.PutVoid()), hf::kS_OK);
  Ref<hf::ILogCursor> cursor;
  engine->OpenFirstLog(cursor.Put());
  ASSERT_NE(cursor.Get(), nullptr);
  cursor->Begin();
  hf::ILogRecord *record = nullptr;
  ASSERT_EQ(cursor->Next(1, &record, nullptr), hf::kS_OK);
  EXPECT_EQ(CopyRecord(record).path, u"C:\\from\\history.exe");
  record->Release();
}

}  // namespace
}  // namespace engine_test
