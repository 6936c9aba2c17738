// The engine library's path built from the host executable's path.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "fakes/com.h"
#include "fakes/modules.h"
#include "fakes/scoped.h"
#include "harvest/engine_connection.h"

namespace hf::test {
namespace {

TEST(EngineLibraryPath, ReplacesTheHostsDirectory) {
  struct Case {
    std::string host;
    std::string expected;  // empty: no path can be built
  };
  const std::string dirs241 = "C:\\" + std::string(238, 'd');  // 241 bytes before "\Bin"
  const std::string dirs240 = "C:\\" + std::string(237, 'd');
  const Case cases[] = {
      {"C:\\Product\\Bin\\host.exe", "C:\\Product\\\\Kernel\\Morvex.dll"},
      {"C:\\a\\b\\c\\host.exe", "C:\\a\\b\\\\Kernel\\Morvex.dll"},
      {"C:\\Bin\\host.exe", "C:\\\\Kernel\\Morvex.dll"},
      {"\\\\server\\share\\Bin\\host.exe", "\\\\server\\share\\\\Kernel\\Morvex.dll"},
      {"C:\\Product\\Bin\\", "C:\\Product\\\\Kernel\\Morvex.dll"},
      {"\\Bin\\host.exe", "\\\\Kernel\\Morvex.dll"},
      // The result fills the buffer exactly (259 bytes and the terminator), or is one byte too long.
      {dirs240 + "\\Bin\\host.exe", dirs240 + "\\\\Kernel\\Morvex.dll"},
      {dirs241 + "\\Bin\\host.exe", ""},
      {"C:\\host.exe", ""},
      {"\\host.exe", ""},
      {"host.exe", ""},
      {"", ""},
  };
  for (const Case &c : cases) {
    const std::string host = fakes::NativeSeparators(c.host);
    SCOPED_TRACE(host);
    char path[260];
    std::memset(path, 'x', sizeof path);
    const bool built = BuildEngineLibraryPath(host.c_str(), path);
    EXPECT_EQ(built, !c.expected.empty());
    EXPECT_EQ(std::string(path, strnlen(path, sizeof path)), fakes::NativeSeparators(c.expected));
    EXPECT_EQ(path[sizeof path - 1], '\0');
  }
}

TEST(EngineLibraryPath, NoHostPathBuildsNothing) {
  char path[260];
  std::memset(path, 'x', sizeof path);
  EXPECT_FALSE(BuildEngineLibraryPath(nullptr, path));
  EXPECT_EQ(path[0], '\0');
}

// The built path, two separators and all, loads a real file on this system.
TEST(EngineLibraryPath, LoadsARealLibraryThroughTheBuiltPath) {
  namespace fs = std::filesystem;
  const fs::path product = fs::path(fakes::TestDirectory()) / "RealPathProduct";
  std::error_code ignored;
  fs::remove_all(product, ignored);
  fs::create_directories(product / "Bin");
  fs::create_directories(product / "Kernel");
  fs::copy_file(fakes::TestEnginePath("scripted_engine"), product / "Kernel" / "Morvex.dll");

  fakes::FakeModules modules;
  modules.hostPath = (product / "Bin" / "host.exe").string();
  fakes::FakeCom noServer;
  {
    fakes::ScopedModules installedModules(modules);
    fakes::ScopedCom installedCom(noServer);
    EngineConnection connection;
    OpenEngine(connection);
    EXPECT_NE(connection.engine, nullptr);
    EXPECT_TRUE(OpenSecondLog(connection));
  }

  ASSERT_EQ(modules.loadRequests.size(), 1u);
  const std::string separator(1, platform::PathSeparator());
  EXPECT_EQ(modules.loadRequests[0], product.string() + separator + separator + "Kernel" + separator + "Morvex.dll");
  EXPECT_EQ(modules.loaded, modules.freed);
  fs::remove_all(product, ignored);
}

}  // namespace
}  // namespace hf::test
