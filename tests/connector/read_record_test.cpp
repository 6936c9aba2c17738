// Opening a log and reading its records.
#include <cstring>
#include <string>

#include "connector_fixture.h"

namespace hf::test {
namespace {

using OpenFn = bool (*)(EngineConnection &);

struct OpenCase {
  const char *name;
  OpenFn open;
  std::int32_t kind;
  const char *event;
};
const OpenCase kOpenCases[] = {
    {"first log", OpenFirstLog, 0, "1"},
    {"second log", OpenSecondLog, 1, "2"},
};

// A record whose every field differs from what any read could leave.
LogRecord Sentinel() {
  LogRecord record;
  record.objectPath = u"untouched path";
  record.secondText = u"untouched text";
  record.number = -5;
  record.timestamp = Timestamp{1999, 1, 2, 3, 4, 5, 6, 7};
  return record;
}

void ExpectSame(const LogRecord &actual, const LogRecord &expected) {
  EXPECT_EQ(actual.objectPath, expected.objectPath);
  EXPECT_EQ(actual.secondText, expected.secondText);
  EXPECT_EQ(actual.number, expected.number);
  EXPECT_EQ(std::memcmp(&actual.timestamp, &expected.timestamp, sizeof(Timestamp)), 0);
}

TEST_F(ConnectorTest, OpenSetsKindAndBeginsTheCursorOnce) {
  for (const OpenCase &c : kOpenCases) {
    SCOPED_TRACE(c.name);
    engine.Engine()->Reset();
    EngineConnection connection;
    OpenEngine(connection);
    connection.kind = 7;

    EXPECT_TRUE(c.open(connection));
    EXPECT_EQ(connection.kind, c.kind);
    EXPECT_NE(connection.cursor, nullptr);
    EXPECT_EQ(Events(), std::string(c.event) + "B");
  }
}

TEST_F(ConnectorTest, OpenWithoutCursorDoesNotBegin) {
  for (const OpenCase &c : kOpenCases) {
    SCOPED_TRACE(c.name);
    engine.Engine()->Reset();
    for (auto &log : Script().logs) log.opensCursor = false;
    EngineConnection connection;
    OpenEngine(connection);

    EXPECT_FALSE(c.open(connection));
    EXPECT_EQ(connection.kind, c.kind);
    EXPECT_EQ(connection.cursor, nullptr);
    EXPECT_EQ(Events(), c.event);
  }
}

TEST_F(ConnectorTest, OpenWithoutEngineChangesNothing) {
  for (const OpenCase &c : kOpenCases) {
    SCOPED_TRACE(c.name);
    EngineConnection connection;
    connection.kind = 7;
    EXPECT_FALSE(c.open(connection));
    EXPECT_EQ(connection.kind, 7);
  }
}

TEST_F(ConnectorTest, ReadsEveryRecordThenStops) {
  SetRecordCount(2);
  EngineConnection connection;
  OpenEngine(connection);
  ASSERT_TRUE(OpenFirstLog(connection));

  for (int index = 1; index <= 2; ++index) {
    SCOPED_TRACE(index);
    LogRecord record = Sentinel();
    ASSERT_TRUE(ReadNextRecord(connection, record));
    EXPECT_EQ(record.objectPath, u"C:\\Data\\Folder" + std::u16string(1, static_cast<char16_t>('0' + index)) + u"\\file.txt");
    EXPECT_EQ(record.secondText, u"note " + std::u16string(1, static_cast<char16_t>('0' + index)));
    EXPECT_EQ(record.number, 100 + index);
    const Timestamp expected{2026, 12, 4, static_cast<std::uint16_t>(index), 8, 30, 15, 250};
    EXPECT_EQ(std::memcmp(&record.timestamp, &expected, sizeof expected), 0);
    EXPECT_EQ(connection.currentRecord, nullptr);
    EXPECT_EQ(Counters().live[kRecord], 0);
    EXPECT_EQ(Counters().releases[kRecord], index);
  }
  LogRecord last = Sentinel();
  EXPECT_FALSE(ReadNextRecord(connection, last));
  ExpectSame(last, Sentinel());

  // Begin once before any Next; the four getters in order on every record,
  // which is released before the next one is asked for.
  EXPECT_EQ(Events(), "1B" "Nosntr" "Nosntr" "N");
  EXPECT_EQ(Counters().addRefs[kRecord], 0);
}

TEST_F(ConnectorTest, EndOfLogLeavesTheRecordUntouched) {
  struct Case {
    const char *name;
    std::int32_t endResult;
  };
  const Case cases[] = {
      {"S_FALSE", kS_FALSE},
      {"S_OK without a record", kS_OK},
      {"E_FAIL", kE_FAIL},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    for (auto &log : Script().logs) log.endResult = c.endResult;
    EngineConnection connection;
    OpenEngine(connection);
    ASSERT_TRUE(OpenFirstLog(connection));

    LogRecord record = Sentinel();
    EXPECT_FALSE(ReadNextRecord(connection, record));
    ExpectSame(record, Sentinel());
    EXPECT_EQ(connection.currentRecord, nullptr);
    EXPECT_NE(connection.cursor, nullptr);
  }
}

TEST_F(ConnectorTest, GettersThatWriteNothingGiveEmptyValues) {
  struct Case {
    const char *name;
    bool gettersWrite;
    bool nullTexts;
    std::int32_t number;
    bool timeSet;
  };
  const Case cases[] = {
      {"getters write nothing", false, false, 0, false},
      {"null texts", true, true, 101, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    engine.Engine()->Reset();
    SetRecordCount(1);
    fakes::ScriptedStep &step = Script().logs[0].steps[0];
    step.gettersWrite = c.gettersWrite;
    step.pathIsNull = step.secondIsNull = c.nullTexts;
    EngineConnection connection;
    OpenEngine(connection);
    ASSERT_TRUE(OpenFirstLog(connection));

    LogRecord record = Sentinel();
    EXPECT_TRUE(ReadNextRecord(connection, record));
    EXPECT_EQ(record.objectPath, u"");
    EXPECT_EQ(record.secondText, u"");
    EXPECT_EQ(record.number, c.number);
    const Timestamp zero{};
    EXPECT_EQ(std::memcmp(&record.timestamp, &zero, sizeof zero) != 0, c.timeSet);
    EXPECT_EQ(Events(), "1BNosntr");
    EXPECT_EQ(Counters().live[kRecord], 0);
  }
}

TEST_F(ConnectorTest, ReadingWithoutCursorYieldsNothing) {
  EngineConnection connection;
  OpenEngine(connection);
  LogRecord record = Sentinel();
  EXPECT_FALSE(ReadNextRecord(connection, record));
  ExpectSame(record, Sentinel());
}

}  // namespace
}  // namespace hf::test
