// Closing a connection: order, idempotence, and closing on unwinding.
#include <stdexcept>

#include "connector_fixture.h"

namespace hf::test {
namespace {

TEST_F(ConnectorTest, CloseReleasesCursorEngineFactoryThenFreesLibrary) {
  EngineConnection connection;
  OpenEngine(connection);
  ASSERT_TRUE(OpenFirstLog(connection));

  CloseEngine(connection);
  ExpectEmpty(connection);
  EXPECT_EQ(Events(), "1B" "cef");
  EXPECT_EQ(Counters().releases[kCursor], 1);
  EXPECT_EQ(Counters().releases[kEngine], 1);
  EXPECT_EQ(Counters().releases[kFactory], 1);
  EXPECT_EQ(modules.freed.size(), 1u);
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, CloseAfterTheWorkerReleasedReleasesOnlyTheRest) {
  EngineConnection connection;
  OpenEngine(connection);
  ASSERT_TRUE(OpenFirstLog(connection));

  ReleaseCursorAndEngine(connection);
  EXPECT_EQ(connection.cursor, nullptr);
  EXPECT_EQ(connection.engine, nullptr);
  EXPECT_EQ(Events(), "1B" "ce");
  EXPECT_TRUE(modules.freed.empty());

  CloseEngine(connection);
  CloseEngine(connection);
  ExpectEmpty(connection);
  EXPECT_EQ(Events(), "1B" "cef");
  EXPECT_EQ(Counters().releases[kCursor], 1);
  EXPECT_EQ(Counters().releases[kEngine], 1);
  EXPECT_EQ(Counters().releases[kFactory], 1);
  EXPECT_EQ(modules.freed.size(), 1u);
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, UnwindingClosesTheConnection) {
  SetRecordCount(3);
  try {
    EngineConnection connection;
    OpenEngine(connection);
    ASSERT_TRUE(OpenFirstLog(connection));
    LogRecord record;
    ASSERT_TRUE(ReadNextRecord(connection, record));
    throw std::runtime_error("worker gives up");
  } catch (const std::runtime_error &) {
  }
  EXPECT_EQ(Counters().releases[kRecord], 1);
  EXPECT_EQ(modules.freed.size(), 1u);
  ExpectNothingHeld();
}

}  // namespace
}  // namespace hf::test
