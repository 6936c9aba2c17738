// The fixture of the harvest tests: fakes installed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fakes/clock.h"
#include "fakes/com.h"
#include "fakes/modules.h"
#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "harvest/engine_connection.h"
#include "store/folder_list.h"

namespace hf::test {

using fakes::Date;

class HarvestFixture : public ::testing::Test {
 protected:
  static LogRecord Record(const std::u16string &path, Timestamp time = Date(2026, 3, 10)) {
    LogRecord record;
    record.objectPath = path;
    record.timestamp = time;
    return record;
  }

  fakes::TestClock clock;
  fakes::MemorySettings settings;
  fakes::FakeCom com;
  fakes::FakeModules modules{&fakes::NoModules()};

 private:
  fakes::ScopedClock installedClock_{clock};
  fakes::ScopedSettings installedSettings_{settings};
  fakes::ScopedCom installedCom_{com};
  fakes::ScopedModules installedModules_{modules};
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
