// The fixture of the connector tests: the scripted engine loaded and reset, a
// host executable at <test dir>/Product/Bin/host.exe whose engine path leads to
// it, and no out-of-process server.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "harvest/engine_connection.h"
#include "test_modules.h"

namespace hf::test {

class ConnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(engine.State(), nullptr) << "scripted engine not found at " << TestEnginePath("scripted_engine");
    *engine.State() = EngineState{};
    modules.hostPath = FakeHostPath();
    modules.redirects[BuiltPath()] = TestEnginePath("scripted_engine");
    previousModules_ = platform::SetModulesForTesting(&modules);
    previousCom_ = platform::SetComForTesting(&noServer);
  }

  void TearDown() override {
    platform::SetModulesForTesting(previousModules_);
    platform::SetComForTesting(previousCom_);
  }

  static std::string FakeHostPath() { return TestDirectory() + NativeSeparators("Product\\Bin\\host.exe"); }
  static std::string BuiltPath() { return TestDirectory() + NativeSeparators("Product\\\\Kernel\\Morvex.dll"); }

  EngineScript &Script() { return engine.State()->script; }
  const EngineCounters &Counters() const { return engine.State()->counters; }
  std::string Events() const { return std::string(Counters().events, static_cast<std::size_t>(Counters().eventCount)); }

  // No engine object of any kind is alive and every library load was given back.
  void ExpectNothingHeld() const {
    for (int kind = 0; kind < kObjectKinds; ++kind) EXPECT_EQ(Counters().live[kind], 0) << "object kind " << kind;
    auto loaded = modules.loaded;
    auto freed = modules.freed;
    std::sort(loaded.begin(), loaded.end());
    std::sort(freed.begin(), freed.end());
    EXPECT_EQ(loaded, freed);
  }

  static void ExpectEmpty(const EngineConnection &connection) {
    EXPECT_EQ(connection.engine, nullptr);
    EXPECT_EQ(connection.cursor, nullptr);
    EXPECT_EQ(connection.currentRecord, nullptr);
    EXPECT_EQ(connection.engineLibrary.module, nullptr);
    EXPECT_EQ(connection.engineLibrary.classFactory, nullptr);
  }

  LoadedEngine engine{TestEnginePath("scripted_engine")};
  RecordingModules modules;
  NoServerCom noServer;
  ServingCom server{engine};

 private:
  platform::Modules *previousModules_ = nullptr;
  platform::ComRuntime *previousCom_ = nullptr;
};

}  // namespace hf::test
