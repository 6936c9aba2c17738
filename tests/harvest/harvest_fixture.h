// The fixture of the harvest tests: fakes installed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "harvest/engine_connection.h"
#include "harvest_fakes.h"
#include "store/folder_list.h"

namespace hf::test {

class HarvestFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previousClock_ = platform::SetClockForTesting(&clock);
    previousSettings_ = platform::SetSettingsForTesting(&settings);
    previousCom_ = platform::SetComForTesting(&com);
    previousModules_ = platform::SetModulesForTesting(&modules);
  }
  void TearDown() override {
    platform::SetModulesForTesting(previousModules_);
    platform::SetComForTesting(previousCom_);
    platform::SetSettingsForTesting(previousSettings_);
    platform::SetClockForTesting(previousClock_);
  }

  static LogRecord Record(const std::u16string &path, Timestamp time = Date(2026, 3, 10)) {
    LogRecord record;
    record.objectPath = path;
    record.timestamp = time;
    return record;
  }

  TestClock clock;
  MemorySettings settings;
  FakeCom com;
  NoModules modules;

 private:
  platform::Clock *previousClock_ = nullptr;
  platform::SettingsStore *previousSettings_ = nullptr;
  platform::ComRuntime *previousCom_ = nullptr;
  platform::Modules *previousModules_ = nullptr;
};

// Lists compared as a whole in assertions.
inline std::u16string Describe(const FolderList &list) {
  std::u16string out;
  for (const FolderEntry &entry : list) {
    out += entry.path;
    out += u',';
    for (char c : std::to_string(entry.hits)) out += static_cast<char16_t>(c);
    out += u'|';
  }
  return out;
}

inline FolderList ListOf(std::initializer_list<FolderEntry> entries) {
  FolderList list;
  for (const FolderEntry &entry : entries) list.Append(entry);
  return list;
}

}  // namespace hf::test
