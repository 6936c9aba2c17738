// Library loading through the platform layer: the host path, loading, the
// file search and entry look-up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "probe_library.h"

namespace hf::platform {
namespace {

constexpr std::uint32_t kPathBuffer = 260;

TEST(ModulesTest, HostExecutablePathNamesThisTest) {
  char buffer[kPathBuffer] = {};
  const std::uint32_t length = SystemModules().HostExecutablePath(buffer, kPathBuffer);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(buffer), length);
  EXPECT_NE(std::string(buffer).find("platform_test"), std::string::npos) << buffer;
}

TEST(ModulesTest, MissingLibraryIsNeitherLoadedNorFound) {
  char buffer[kPathBuffer] = {};
  EXPECT_EQ(SystemModules().Load("hf_no_such_library.dll"), nullptr);
  EXPECT_EQ(SystemModules().Search("hf_no_such_library.dll", buffer, kPathBuffer), 0u);
}

TEST(ModulesTest, SearchFindsALibraryBesideTheExecutable) {
  char buffer[kPathBuffer] = {};
  const std::uint32_t length = SystemModules().Search(HF_FAULT_PROBE_NAME, buffer, kPathBuffer);
  ASSERT_GT(length, 0u);
  const std::string found(buffer);
  const std::string name(HF_FAULT_PROBE_NAME);
  ASSERT_GE(found.size(), name.size());
  EXPECT_EQ(found.substr(found.size() - name.size()), name);
  ModuleHandle module = SystemModules().Load(buffer);
  EXPECT_NE(module, nullptr);
  SystemModules().Free(module);
}

TEST(ModulesTest, SymbolLooksUpExportedEntries) {
  test::ProbeLibrary probe;
  ASSERT_NE(probe.handle(), nullptr);
  EXPECT_NE(SystemModules().Symbol(probe.handle(), "DllGetClassObject"), nullptr);
  EXPECT_EQ(SystemModules().Symbol(probe.handle(), "NoSuchEntry"), nullptr);
}

}  // namespace
}  // namespace hf::platform
