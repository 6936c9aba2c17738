// The system backends of the COM run-time and the library loader, as the
// connector relies on them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "abi/log_engine.h"
#include "fakes/modules.h"
#include "platform/com_runtime.h"
#include "platform/modules.h"

namespace hf::test {
namespace {

std::string ExecutableName() {
  char path[4096] = {};
  platform::SystemModules().HostExecutablePath(path, sizeof path);
  const std::string full = path;
  return full.substr(full.rfind(platform::PathSeparator()) + 1);
}

TEST(SystemCom, HasNoServerForTheEngine) {
  platform::ComRuntime &com = platform::SystemCom();
  ASSERT_EQ(com.Initialize(), kS_OK);
  EXPECT_EQ(com.Initialize(), kS_FALSE);
  void *out = &out;
  EXPECT_EQ(com.CreateInstance(kClsidLogEngine, platform::kClsctxLocalServer, kIidLogEngine, &out),
            kREGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);
  com.Uninitialize();
  com.Uninitialize();
}

TEST(SystemModules, ReportsTheExecutablePath) {
  char path[4096];
  std::memset(path, 'x', sizeof path);
  const std::uint32_t length = platform::SystemModules().HostExecutablePath(path, sizeof path);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(path), length);
  EXPECT_NE(std::string(path).find("connector_test"), std::string::npos);
}

TEST(SystemModules, TruncatesTheExecutablePathToTheBuffer) {
  char path[8];
  std::memset(path, 'x', sizeof path);
  EXPECT_EQ(platform::SystemModules().HostExecutablePath(path, sizeof path), 8u);
  EXPECT_EQ(path[7], '\0');
}

TEST(SystemModules, SearchFindsAFileBesideTheExecutable) {
  const std::string name = ExecutableName();
  char found[4096] = {};
  const std::uint32_t length = platform::SystemModules().Search(name.c_str(), found, sizeof found);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(found), length);
  char self[4096] = {};
  platform::SystemModules().HostExecutablePath(self, sizeof self);
  EXPECT_EQ(std::string(found), std::string(self));

  char small[4];
  EXPECT_EQ(platform::SystemModules().Search(name.c_str(), small, sizeof small), length + 1);
}

TEST(SystemModules, MissingThingsAreEmpty) {
  platform::Modules &modules = platform::SystemModules();
  char found[260] = {};
  EXPECT_EQ(modules.Search("no-such-engine-4711.dll", found, sizeof found), 0u);
  EXPECT_EQ(modules.Load((fakes::TestDirectory() + "no-such-engine-4711.dll").c_str()), nullptr);

  platform::ModuleHandle module = modules.Load(fakes::TestEnginePath("no_entry_engine").c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(modules.Symbol(module, "DllGetClassObject"), nullptr);
  EXPECT_NE(modules.Symbol(module, "NoEntryEngineMarker"), nullptr);
  modules.Free(module);
}

}  // namespace
}  // namespace hf::test
