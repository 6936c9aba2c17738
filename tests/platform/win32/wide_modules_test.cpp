// The wide forms of library loading on Windows: GetModuleFileNameW,
// LoadLibraryW and SearchPathW, also for a folder named outside ASCII.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/modules.h"

namespace hf::platform {
namespace {

constexpr std::uint32_t kPathBuffer = 260;

std::string NarrowHostPath() {
  char buffer[kPathBuffer] = {};
  SystemModules().HostExecutablePath(buffer, kPathBuffer);
  return buffer;
}

// The UTF-16 form of an ASCII text.
std::u16string Widen(const std::string &ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(WideModulesTest, HostExecutablePathMatchesTheNarrowOneForAnAsciiFolder) {
  const std::string narrow = NarrowHostPath();
  char16_t buffer[kPathBuffer];
  std::fill(std::begin(buffer), std::end(buffer), u'x');
  const std::uint32_t length = SystemModules().HostExecutablePathWide(buffer, kPathBuffer);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::char_traits<char16_t>::length(buffer), length);
  EXPECT_TRUE(std::u16string(buffer) == Widen(narrow)) << narrow;
}

TEST(WideModulesTest, HostExecutablePathIsTerminatedWhenCutShort) {
  char16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'x');
  EXPECT_EQ(SystemModules().HostExecutablePathWide(buffer, 8), 8u);
  EXPECT_EQ(buffer[7], u'\0');
}

TEST(WideModulesTest, MissingLibraryIsNeitherLoadedNorFound) {
  char16_t buffer[kPathBuffer] = {};
  EXPECT_EQ(SystemModules().LoadWide(u"hf_no_such_library.dll"), nullptr);
  EXPECT_EQ(SystemModules().SearchWide(u"hf_no_such_library.dll", buffer, kPathBuffer), 0u);
  EXPECT_EQ(SystemModules().LoadWide(nullptr), nullptr);
  EXPECT_EQ(SystemModules().SearchWide(nullptr, buffer, kPathBuffer), 0u);
}

// The probe copied into <test dir>/<U+4EA7 U+54C1>/ is searched for and loaded
// by its full UTF-16 path, and its entries are there.
TEST(WideModulesTest, LoadsAndFindsALibraryInANonAsciiFolder) {
  namespace fs = std::filesystem;
  const std::string host = NarrowHostPath();
  const fs::path folder = fs::path(host.substr(0, host.rfind('\\'))) / fs::path(u"\u4EA7\u54C1");
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  const fs::path copy = folder / "probe.dll";
  fs::copy_file(fs::path(host.substr(0, host.rfind('\\') + 1) + HF_FAULT_PROBE_NAME), copy);
  const std::u16string path = copy.u16string();

  char16_t found[kPathBuffer] = {};
  const std::uint32_t length = SystemModules().SearchWide(path.c_str(), found, kPathBuffer);
  EXPECT_EQ(length, path.size());
  EXPECT_TRUE(std::u16string(found) == path);
  EXPECT_EQ(SystemModules().SearchWide(path.c_str(), found, 8), path.size() + 1);

  ModuleHandle module = SystemModules().LoadWide(path.c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_NE(SystemModules().Symbol(module, "DllGetClassObject"), nullptr);
  SystemModules().Free(module);
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace hf::platform
