// OpenEngine: out-of-process activation, then the engine library beside the
// host's directory, its search fallback and every way the load can fail.
#include <string>
#include <vector>

#include "connector_fixture.h"

namespace hf::test {
namespace {

TEST_F(ConnectorTest, AsksForALocalServerFirst) {
  EngineConnection connection;
  OpenEngine(connection);

  const auto activations = noServer.Activations();
  ASSERT_EQ(activations.size(), 1u);
  EXPECT_TRUE(activations[0].clsid == kClsidLogEngine);
  EXPECT_EQ(activations[0].context, 4u);
  EXPECT_TRUE(activations[0].iid == kIidLogEngine);
}

TEST_F(ConnectorTest, ServedEngineLoadsNoLibrary) {
  platform::SetComForTesting(&server);
  EngineConnection connection;
  OpenEngine(connection);

  EXPECT_NE(connection.engine, nullptr);
  EXPECT_EQ(connection.engineLibrary.module, nullptr);
  EXPECT_EQ(connection.engineLibrary.classFactory, nullptr);
  EXPECT_TRUE(modules.loadRequests.empty());
  ASSERT_TRUE(OpenFirstLog(connection));

  CloseEngine(connection);
  ExpectEmpty(connection);
  EXPECT_EQ(Counters().releases[kCursor], 1);
  EXPECT_EQ(Counters().releases[kEngine], 1);
  EXPECT_TRUE(modules.freed.empty());
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, LoadsTheLibraryBesideTheHostsDirectory) {
  EngineConnection connection;
  OpenEngine(connection);

  EXPECT_EQ(modules.loadRequests, std::vector<std::string>{BuiltPath()});
  EXPECT_TRUE(modules.searchRequests.empty());
  EXPECT_NE(connection.engine, nullptr);
  EXPECT_NE(connection.engineLibrary.module, nullptr);
  EXPECT_NE(connection.engineLibrary.classFactory, nullptr);
  EXPECT_EQ(Counters().created[kFactory], 1);
  EXPECT_EQ(Counters().created[kEngine], 1);
}

TEST_F(ConnectorTest, SearchesWhenTheBuiltPathDoesNotLoad) {
  modules.redirects.clear();
  modules.searchAnswer = TestEnginePath("scripted_engine");
  EngineConnection connection;
  OpenEngine(connection);

  EXPECT_EQ(modules.searchRequests, std::vector<std::string>{BuiltPath()});
  EXPECT_EQ(modules.loadRequests, (std::vector<std::string>{BuiltPath(), TestEnginePath("scripted_engine")}));
  EXPECT_NE(connection.engine, nullptr);
  EXPECT_NE(connection.engineLibrary.module, nullptr);
}

TEST_F(ConnectorTest, NoLibraryFoundLeavesNothingHeld) {
  struct Case {
    const char *name;
    std::uint32_t searchResult;
  };
  const Case cases[] = {
      {"search finds nothing", 0},
      {"found path does not fit 260 bytes", 260},
      {"found path far too long", 4000},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    modules.redirects.clear();
    modules.loadRequests.clear();
    modules.searchAnswer = TestEnginePath("scripted_engine");
    modules.searchResult = c.searchResult;
    EngineConnection connection;
    connection.kind = 7;
    OpenEngine(connection);

    ExpectEmpty(connection);
    EXPECT_EQ(modules.loadRequests, std::vector<std::string>{BuiltPath()});
    EXPECT_FALSE(OpenFirstLog(connection));
    EXPECT_FALSE(OpenSecondLog(connection));
    EXPECT_EQ(connection.kind, 7);
  }
  EXPECT_EQ(Events(), "");
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, UnusableHostPathLoadsNothing) {
  struct Case {
    const char *name;
    std::string hostPath;
    std::uint32_t result;
  };
  // Host path 256 bytes long: fits, but the engine path would need 263.
  const std::string longDirectory(240, 'd');
  const Case cases[] = {
      {"path unreadable", "", 0},
      {"path truncated to the buffer", FakeHostPath(), 260},
      {"one separator only", NativeSeparators("C:\\host.exe"), 11},
      {"no separator", "host.exe", 8},
      {"engine path would not fit",
       NativeSeparators("C:\\" + longDirectory + "\\Bin\\host.exe"), 256},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    modules.hostPath = c.hostPath;
    modules.hostResult = c.result;
    modules.searchAnswer = TestEnginePath("scripted_engine");
    EngineConnection connection;
    OpenEngine(connection);

    ExpectEmpty(connection);
  }
  EXPECT_TRUE(modules.loadRequests.empty());
  EXPECT_TRUE(modules.searchRequests.empty());
}

TEST_F(ConnectorTest, FailingEntryPointFreesTheLibrary) {
  struct Case {
    const char *name;
    EngineScript script;
    int factoriesCreated;
  };
  EngineScript fails;
  fails.entryResult = kE_FAIL;
  EngineScript failsButStores = fails;
  failsButStores.entryStoresOnFailure = true;
  EngineScript successCode;
  successCode.entryResult = kS_FALSE;
  successCode.entryStoresOnFailure = true;
  EngineScript faults;
  faults.entryFaults = true;
  EngineScript throws;
  throws.entryThrows = true;
  const Case cases[] = {
      {"entry fails", fails, 0},
      {"entry fails and stores a factory", failsButStores, 1},
      {"entry returns S_FALSE with a factory", successCode, 1},
      {"entry faults", faults, 0},
      {"entry throws", throws, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    engine.Engine()->Reset();
    Script() = c.script;
    EngineConnection connection;
    OpenEngine(connection);

    ExpectEmpty(connection);
    EXPECT_EQ(Counters().created[kFactory], c.factoriesCreated);
    EXPECT_EQ(Counters().releases[kFactory], c.factoriesCreated);
    ExpectNothingHeld();
  }
}

TEST_F(ConnectorTest, LibraryWithoutEntryPointIsFreed) {
  modules.redirects[BuiltPath()] = TestEnginePath("no_entry_engine");
  EngineConnection connection;
  OpenEngine(connection);

  ExpectEmpty(connection);
  EXPECT_EQ(modules.loaded.size(), 1u);
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, FailedCreateInstanceKeepsLibraryUntilClose) {
  Script().createResult = kE_FAIL;
  EngineConnection connection;
  OpenEngine(connection);

  EXPECT_EQ(connection.engine, nullptr);
  EXPECT_NE(connection.engineLibrary.module, nullptr);
  EXPECT_NE(connection.engineLibrary.classFactory, nullptr);
  EXPECT_TRUE(modules.freed.empty());
  EXPECT_FALSE(OpenFirstLog(connection));

  CloseEngine(connection);
  ExpectEmpty(connection);
  EXPECT_EQ(Counters().releases[kFactory], 1);
  EXPECT_EQ(modules.freed.size(), 1u);
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, CreateEngineObjectNeedsAFactory) {
  EngineLibrary library;
  ComPtr<ILogEngine> created;
  EXPECT_EQ(CreateEngineObject(library, created), kE_FAIL);
  EXPECT_EQ(created, nullptr);
  EXPECT_EQ(Counters().created[kEngine], 0);

  ASSERT_TRUE(LoadEngineLibrary(library, BuiltPath().c_str()));
  EXPECT_EQ(CreateEngineObject(library, created), kS_OK);
  EXPECT_NE(created, nullptr);
  EXPECT_EQ(Counters().created[kEngine], 1);
  created.reset();

  FreeEngineLibrary(library);
  EXPECT_EQ(library.module, nullptr);
  EXPECT_EQ(library.classFactory, nullptr);
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, LoadingAgainGivesBackTheEarlierLoad) {
  EngineLibrary library;
  ASSERT_TRUE(LoadEngineLibrary(library, BuiltPath().c_str()));
  ASSERT_TRUE(LoadEngineLibrary(library, BuiltPath().c_str()));
  EXPECT_EQ(Counters().releases[kFactory], 1);
  EXPECT_EQ(modules.freed.size(), 1u);

  FreeEngineLibrary(library);
  ExpectNothingHeld();
}

TEST_F(ConnectorTest, OpeningTwiceGivesBackTheFirstEngine) {
  EngineConnection connection;
  OpenEngine(connection);
  ASSERT_TRUE(OpenFirstLog(connection));
  OpenEngine(connection);
  EXPECT_NE(connection.engine, nullptr);
  EXPECT_EQ(connection.cursor, nullptr);

  CloseEngine(connection);
  ExpectNothingHeld();
}

}  // namespace
}  // namespace hf::test
