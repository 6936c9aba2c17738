// The fixture of the connector tests: the scripted engine library loaded and
// reset, a host executable at <test dir>/Product/Bin/host.exe whose engine
// path leads to it, and no out-of-process server.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fakes/com.h"
#include "fakes/modules.h"
#include "fakes/scoped.h"
#include "fakes/scripted_engine.h"
#include "harvest/engine_connection.h"

namespace hf::test {

using fakes::EngineCounts;
using fakes::EngineScript;
using fakes::FakeCom;
using fakes::FakeModules;
using fakes::kCursor;
using fakes::kEngine;
using fakes::kFactory;
using fakes::kObjectKinds;
using fakes::kRecord;
using fakes::LoadedEngine;
using fakes::NativeSeparators;
using fakes::TestDirectory;
using fakes::TestEnginePath;

class ConnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(engine.Engine(), nullptr) << "scripted engine not found at " << TestEnginePath("scripted_engine");
    engine.Engine()->Reset();
    server.engine = engine.Engine();
    modules.hostPath = FakeHostPath();
    modules.redirects[BuiltPath()] = TestEnginePath("scripted_engine");
  }

  static std::string FakeHostPath() { return TestDirectory() + NativeSeparators("Product\\Bin\\host.exe"); }
  static std::string BuiltPath() { return TestDirectory() + NativeSeparators("Product\\\\Kernel\\Morvex.dll"); }

  EngineScript &Script() { return engine.Engine()->script; }
  EngineCounts Counters() const { return engine.Engine()->ledger.Counts(); }
  std::string Events() const { return engine.Engine()->ledger.Events(); }

  // Both logs hold count records; record i (from 1) holds the object path
  // "C:\Data\Folder<i>\file.txt", the second text "note <i>", the number
  // 100 + i and the time 2026-12-<i> 08:30:15.250 (day of week 4).
  void SetRecordCount(int count) {
    std::vector<fakes::ScriptedStep> steps;
    for (int i = 1; i <= count; ++i) {
      const std::string index = std::to_string(i);
      fakes::ScriptedStep step;
      for (char c : "C:\\Data\\Folder" + index + "\\file.txt") step.path.push_back(static_cast<NativeChar16>(c));
      for (char c : "note " + index) step.secondText.push_back(static_cast<NativeChar16>(c));
      step.number = 100 + i;
      step.time = Timestamp{2026, 12, 4, static_cast<std::uint16_t>(i), 8, 30, 15, 250};
      steps.push_back(step);
    }
    for (auto &log : Script().logs) log.steps = steps;
  }

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
  FakeModules modules;
  FakeCom noServer;
  FakeCom server;  // serves the library's engine as an out-of-process server would

 private:
  fakes::ScopedModules installedModules_{modules};
  fakes::ScopedCom installedCom_{noServer};
};

}  // namespace hf::test
