// The fixture of the harvest tests: fakes installed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

// count paths in folders picked in an uneven stream, the folders early in the
// list far more often, every tenth path inside an archive; seed starts the
// generator, so a seed gives the same stream.
inline std::vector<std::u16string> SkewedPaths(const std::vector<std::u16string> &folders, int count,
                                               std::uint32_t seed) {
  std::vector<std::u16string> paths;
  std::uint32_t state = seed;
  for (int i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    const std::size_t pick = ((state >> 8) % folders.size()) * ((state >> 4) % 8 == 0 ? 1 : (state >> 20) % 2) %
                             folders.size();
    paths.push_back(folders[pick] + (i % 10 == 0 ? u"a.zip->b\\c.exe" : u"setup.exe"));
  }
  return paths;
}

}  // namespace hf::test
