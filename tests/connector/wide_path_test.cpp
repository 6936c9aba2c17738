// The engine library found from a host path outside ASCII: the path built in
// UTF-16 and loaded with the loader's wide calls, while an ASCII host path
// keeps the 8-bit calls.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "connector_fixture.h"

namespace hf::test {
namespace {

// U+4EA7 U+54C1, a folder name no 8-bit Western code page holds.
const std::u16string kProduct = u"\u4EA7\u54C1";

// The UTF-16 form of an ASCII text, '\\' turned into the platform's separator.
std::u16string Wide(const std::string &ascii) {
  std::u16string wide;
  for (const char c : NativeSeparators(ascii)) {
    EXPECT_GE(c, 0) << "not ASCII: " << ascii;
    wide.push_back(static_cast<char16_t>(c));
  }
  return wide;
}

// '\\' turned into the platform's separator.
std::u16string Native(std::u16string path) {
  for (char16_t &c : path)
    if (c == u'\\') c = static_cast<char16_t>(platform::PathSeparator());
  return path;
}

std::string Printable(const std::u16string &text) {
  std::string out;
  for (const char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
      out += code;
    }
  }
  return out;
}

std::vector<std::string> Printable(const std::vector<std::u16string> &texts) {
  std::vector<std::string> out;
  for (const auto &text : texts) out.push_back(Printable(text));
  return out;
}

// Passes the 8-bit calls on to another loader and answers the wide ones
// itself: it reports a chosen UTF-16 host path (none: the wide forms are not
// available), loads the file a wide path is redirected to (nothing for any
// other path) and can answer the wide search; or, with forwardWide, it sends
// the wide loads and searches to the system's loader. Counts the host path
// requests of each width and records every wide load and search, and every
// library loaded through it or freed.
class WideModules final : public platform::Modules {
 public:
  explicit WideModules(platform::Modules &narrow) : narrow_(narrow) {}

  std::optional<std::u16string> hostPath;                // reported as GetModuleFileNameW would
  std::optional<std::uint32_t> hostResult;               // result reported with hostPath
  std::map<std::u16string, std::string> redirects;       // requested wide path -> file really loaded
  std::optional<std::u16string> searchAnswer;            // found path, or nullopt: nothing found
  std::optional<std::uint32_t> searchResult;             // result reported with searchAnswer
  bool forwardWide = false;                              // wide loads and searches go to the system

  int narrowHostRequests = 0;
  int wideHostRequests = 0;
  std::vector<std::u16string> loadRequests;
  std::vector<std::u16string> searchRequests;
  std::vector<platform::ModuleHandle> loaded;  // through LoadWide
  std::vector<platform::ModuleHandle> freed;   // of either width

  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    ++narrowHostRequests;
    return narrow_.HostExecutablePath(buffer, size);
  }
  platform::ModuleHandle Load(const char *path) override { return narrow_.Load(path); }
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override {
    return narrow_.Search(file, buffer, size);
  }
  void *Symbol(platform::ModuleHandle module, const char *name) override { return narrow_.Symbol(module, name); }
  void Free(platform::ModuleHandle module) override {
    freed.push_back(module);
    narrow_.Free(module);
  }

  std::uint32_t HostExecutablePathWide(char16_t *buffer, std::uint32_t size) override {
    ++wideHostRequests;
    if (!hostPath) return 0;
    const std::size_t copied = std::min<std::size_t>(hostPath->size(), size - 1);
    std::copy(hostPath->begin(), hostPath->begin() + static_cast<std::ptrdiff_t>(copied), buffer);
    buffer[copied] = u'\0';
    return hostResult ? *hostResult : static_cast<std::uint32_t>(copied);
  }

  platform::ModuleHandle LoadWide(const char16_t *path) override {
    loadRequests.emplace_back(path);
    platform::ModuleHandle module = nullptr;
    if (forwardWide) {
      module = platform::SystemModules().LoadWide(path);
    } else {
      const auto redirect = redirects.find(path);
      if (redirect != redirects.end()) module = platform::SystemModules().Load(redirect->second.c_str());
    }
    if (module != nullptr) loaded.push_back(module);
    return module;
  }

  std::uint32_t SearchWide(const char16_t *file, char16_t *buffer, std::uint32_t size) override {
    searchRequests.emplace_back(file);
    if (forwardWide) return platform::SystemModules().SearchWide(file, buffer, size);
    if (!searchAnswer) return 0;
    if (searchAnswer->size() < size) std::copy(searchAnswer->c_str(), searchAnswer->c_str() + searchAnswer->size() + 1, buffer);
    return searchResult ? *searchResult : static_cast<std::uint32_t>(searchAnswer->size());
  }

 private:
  platform::Modules &narrow_;
};

// The connector fixture with WideModules in front of its recording loader,
// reporting the UTF-16 host path <test dir>/<product>/Bin/host.exe.
class WidePathTest : public ConnectorTest {
 protected:
  void SetUp() override {
    ConnectorTest::SetUp();
    wide.hostPath = WideHostPath();
    wide.redirects[WideBuiltPath()] = TestEnginePath("scripted_engine");
    previous_ = platform::SetModulesForTesting(&wide);
  }

  void TearDown() override {
    platform::SetModulesForTesting(previous_);
    ConnectorTest::TearDown();
  }

  static std::u16string WideHostPath() { return Wide(TestDirectory()) + kProduct + Native(u"\\Bin\\host.exe"); }
  static std::u16string WideBuiltPath() {
    return Wide(TestDirectory()) + kProduct + Native(u"\\\\Kernel\\Morvex.dll");
  }

  // No 8-bit host path was asked for and nothing was loaded or searched for with 8-bit paths.
  void ExpectNoNarrowCalls() const {
    EXPECT_EQ(wide.narrowHostRequests, 0);
    EXPECT_TRUE(modules.loadRequests.empty());
    EXPECT_TRUE(modules.searchRequests.empty());
  }

  // No engine object is alive and every library loaded, of either width, was freed.
  void ExpectAllGivenBack() const {
    for (int kind = 0; kind < kObjectKinds; ++kind) EXPECT_EQ(Counters().live[kind], 0) << "object kind " << kind;
    auto loaded = modules.loaded;
    loaded.insert(loaded.end(), wide.loaded.begin(), wide.loaded.end());
    auto freed = wide.freed;
    std::sort(loaded.begin(), loaded.end());
    std::sort(freed.begin(), freed.end());
    EXPECT_EQ(loaded, freed);
  }

  WideModules wide{modules};

 private:
  platform::Modules *previous_ = nullptr;
};

TEST_F(WidePathTest, NonAsciiHostLoadsWithTheWideCalls) {
  {
    EngineConnection connection;
    OpenEngine(connection);

    EXPECT_EQ(wide.wideHostRequests, 1);
    EXPECT_EQ(Printable(wide.loadRequests), std::vector<std::string>{Printable(WideBuiltPath())});
    EXPECT_TRUE(wide.searchRequests.empty());
    ExpectNoNarrowCalls();
    EXPECT_NE(connection.engine, nullptr);
    EXPECT_NE(connection.engineLibrary.module, nullptr);
    EXPECT_NE(connection.engineLibrary.classFactory, nullptr);
    EXPECT_EQ(Counters().created[kFactory], 1);
    EXPECT_EQ(Counters().created[kEngine], 1);
    EXPECT_TRUE(OpenFirstLog(connection));
  }
  EXPECT_EQ(wide.loaded.size(), 1u);
  ExpectAllGivenBack();
}

TEST_F(WidePathTest, NonAsciiHostSearchesWithTheWideCall) {
  const std::u16string found = Wide(TestDirectory()) + kProduct + Native(u"\\found\\Morvex.dll");
  wide.redirects.clear();
  wide.redirects[found] = TestEnginePath("scripted_engine");
  wide.searchAnswer = found;
  {
    EngineConnection connection;
    OpenEngine(connection);

    EXPECT_EQ(Printable(wide.searchRequests), std::vector<std::string>{Printable(WideBuiltPath())});
    EXPECT_EQ(Printable(wide.loadRequests),
              (std::vector<std::string>{Printable(WideBuiltPath()), Printable(found)}));
    ExpectNoNarrowCalls();
    EXPECT_NE(connection.engine, nullptr);
    EXPECT_NE(connection.engineLibrary.module, nullptr);
  }
  ExpectAllGivenBack();
}

TEST_F(WidePathTest, NonAsciiHostWithNoLibraryFoundLeavesNothingHeld) {
  struct Case {
    const char *name;
    std::uint32_t searchResult;
  };
  const Case cases[] = {
      {"search finds nothing", 0},
      {"found path does not fit 260 units", 260},
      {"found path far too long", 4000},
  };
  const std::u16string found = Wide(TestDirectory()) + kProduct + Native(u"\\found\\Morvex.dll");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    wide.redirects.clear();
    wide.redirects[found] = TestEnginePath("scripted_engine");
    wide.loadRequests.clear();
    wide.searchAnswer = found;
    wide.searchResult = c.searchResult;
    EngineConnection connection;
    OpenEngine(connection);

    ExpectEmpty(connection);
    EXPECT_EQ(Printable(wide.loadRequests), std::vector<std::string>{Printable(WideBuiltPath())});
    ExpectNoNarrowCalls();
  }
  EXPECT_EQ(Events(), "");
  ExpectAllGivenBack();
}

TEST_F(WidePathTest, UnusableNonAsciiHostPathLoadsNothing) {
  struct Case {
    const char *name;
    std::u16string hostPath;
    std::optional<std::uint32_t> result;  // nullopt: the path's length
  };
  // 237 units of directory after "C:\" fit (the engine path takes 259 units
  // and the terminator), 238 do not; in UTF-8 either would be far over 260 bytes.
  const std::u16string fits(237, u'\u4EA7');
  const std::u16string tooLong(238, u'\u4EA7');
  const Case cases[] = {
      {"path truncated to the buffer", WideHostPath(), 260},
      {"one separator only", Native(u"C:\\" + kProduct + u".exe"), std::nullopt},
      {"no separator", kProduct + u".exe", std::nullopt},
      {"engine path would not fit", Native(u"C:\\" + tooLong + u"\\Bin\\host.exe"), std::nullopt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    wide.hostPath = c.hostPath;
    wide.hostResult = c.result;
    EngineConnection connection;
    OpenEngine(connection);

    ExpectEmpty(connection);
    ExpectNoNarrowCalls();
  }
  EXPECT_TRUE(wide.loadRequests.empty());
  EXPECT_TRUE(wide.searchRequests.empty());

  // The longest engine path that fits is asked for, whole.
  wide.hostPath = Native(u"C:\\" + fits + u"\\Bin\\host.exe");
  wide.hostResult.reset();
  EngineConnection connection;
  OpenEngine(connection);
  ASSERT_EQ(wide.loadRequests.size(), 1u);
  EXPECT_EQ(Printable(wide.loadRequests[0]), Printable(Native(u"C:\\" + fits + u"\\\\Kernel\\Morvex.dll")));
  EXPECT_EQ(wide.loadRequests[0].size(), 259u);
}

TEST_F(WidePathTest, AsciiOrMissingWidePathKeepsTheNarrowCalls) {
  struct Case {
    const char *name;
    std::optional<std::u16string> hostPath;
    std::optional<std::uint32_t> result;
  };
  const std::u16string ascii = Wide(FakeHostPath());
  const auto asciiLength = static_cast<std::uint32_t>(ascii.size());
  const Case cases[] = {
      {"wide form not available", std::nullopt, std::nullopt},
      {"ASCII path", ascii, std::nullopt},
      {"ASCII path cut short", ascii, 260},
      {"non-ASCII units after the terminator only", ascii + u'\0' + kProduct, asciiLength},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    wide.hostPath = c.hostPath;
    wide.hostResult = c.result;
    wide.narrowHostRequests = 0;
    modules.loadRequests.clear();
    {
      EngineConnection connection;
      OpenEngine(connection);

      EXPECT_EQ(wide.narrowHostRequests, 1);
      EXPECT_EQ(modules.loadRequests, std::vector<std::string>{BuiltPath()});
      EXPECT_TRUE(modules.searchRequests.empty());
      EXPECT_NE(connection.engine, nullptr);
      EXPECT_NE(connection.engineLibrary.module, nullptr);
    }
    EXPECT_TRUE(wide.loadRequests.empty());
    EXPECT_TRUE(wide.searchRequests.empty());
  }
  ExpectAllGivenBack();
}

TEST_F(WidePathTest, FailingEntryPointOnTheWideRoadFreesTheLibrary) {
  struct Case {
    const char *name;
    EngineScript script;
    int factoriesCreated;
  };
  EngineScript fails;
  fails.entryResult = kE_FAIL;
  EngineScript faults;
  faults.entryFaults = 1;
  EngineScript throws;
  throws.entryThrows = 1;
  const Case cases[] = {
      {"entry fails", fails, 0},
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
    ExpectAllGivenBack();
  }
  EXPECT_EQ(wide.loaded.size(), 3u);
  ExpectNoNarrowCalls();
}

TEST_F(WidePathTest, LoadEngineLibraryWideSearchesWhenTheNameDoesNotLoad) {
  const std::u16string name = u"Morvex.dll";
  const std::u16string found = Wide(TestDirectory()) + kProduct + Native(u"\\Kernel\\Morvex.dll");
  wide.redirects[found] = TestEnginePath("scripted_engine");
  wide.searchAnswer = found;
  {
    EngineLibrary library;
    ASSERT_TRUE(LoadEngineLibrary(library, name.c_str()));
    EXPECT_NE(library.classFactory, nullptr);
    EXPECT_EQ(Printable(wide.loadRequests), (std::vector<std::string>{Printable(name), Printable(found)}));
    EXPECT_EQ(Printable(wide.searchRequests), std::vector<std::string>{Printable(name)});

    EngineLibrary none;
    EXPECT_FALSE(LoadEngineLibrary(none, static_cast<const char16_t *>(nullptr)));
    EXPECT_EQ(none.module, nullptr);
  }
  ExpectNoNarrowCalls();
  ExpectAllGivenBack();
}

// A real library in a real folder named outside ASCII, through the system's
// wide calls; a system without them (Linux, whose 8-bit paths are exact)
// has nothing to check here.
TEST_F(WidePathTest, LoadsARealLibraryFromANonAsciiFolder) {
  char16_t probe[260] = {};
  if (platform::SystemModules().HostExecutablePathWide(probe, 260) == 0)
    GTEST_SKIP() << "this system's loader has no UTF-16 form";

  namespace fs = std::filesystem;
  const fs::path product = fs::path(TestDirectory()) / fs::path(u"Real" + kProduct);
  std::error_code ignored;
  fs::remove_all(product, ignored);
  fs::create_directories(product / "Bin");
  fs::create_directories(product / "Kernel");
  fs::copy_file(TestEnginePath("scripted_engine"), product / "Kernel" / "Morvex.dll");

  wide.hostPath = (product / "Bin" / "host.exe").u16string();
  wide.forwardWide = true;
  {
    EngineConnection connection;
    OpenEngine(connection);
    EXPECT_NE(connection.engine, nullptr);
    EXPECT_TRUE(OpenSecondLog(connection));
  }
  const std::u16string separator(1, static_cast<char16_t>(platform::PathSeparator()));
  EXPECT_EQ(Printable(wide.loadRequests),
            std::vector<std::string>{Printable(product.u16string() + separator + separator + u"Kernel" + separator +
                                               u"Morvex.dll")});
  ExpectNoNarrowCalls();
  ExpectAllGivenBack();
  fs::remove_all(product, ignored);
}

// The UTF-16 path follows the 8-bit one's rules unit for unit: the same
// results for ASCII hosts, and a limit of 260 units, not bytes.
TEST(EngineLibraryPathWide, MatchesTheNarrowPathForAsciiHosts) {
  const std::string dirs241 = "C:\\" + std::string(238, 'd');
  const std::string dirs240 = "C:\\" + std::string(237, 'd');
  const std::string hosts[] = {
      "C:\\Product\\Bin\\host.exe", "C:\\a\\b\\c\\host.exe", "C:\\Bin\\host.exe",
      "\\\\server\\share\\Bin\\host.exe", "C:\\Product\\Bin\\", "\\Bin\\host.exe",
      dirs240 + "\\Bin\\host.exe", dirs241 + "\\Bin\\host.exe", "C:\\host.exe", "\\host.exe", "host.exe", "",
  };
  for (const std::string &host : hosts) {
    SCOPED_TRACE(host);
    char narrow[260];
    const bool narrowBuilt = BuildEngineLibraryPath(NativeSeparators(host).c_str(), narrow);
    char16_t path[260];
    std::fill(std::begin(path), std::end(path), u'x');
    const bool built = BuildEngineLibraryPath(Wide(host).c_str(), path);
    EXPECT_EQ(built, narrowBuilt);
    EXPECT_EQ(Printable(path), std::string(narrow));
    EXPECT_TRUE(std::all_of(std::begin(path) + std::char_traits<char16_t>::length(path), std::end(path),
                            [](char16_t c) { return c == u'\0'; }));
  }
}

TEST(EngineLibraryPathWide, BuildsNonAsciiPathsWithinTheUnitLimit) {
  struct Case {
    std::u16string host;
    std::u16string expected;  // empty: no path can be built
  };
  const std::u16string dirs240 = u"C:\\" + std::u16string(237, u'\u4EA7');  // 240 units before "\Bin"
  const std::u16string dirs241 = u"C:\\" + std::u16string(238, u'\u4EA7');
  const Case cases[] = {
      {u"Z:\\tmp\\" + kProduct + u"\\bin\\hotfolders.exe", u"Z:\\tmp\\" + kProduct + u"\\\\Kernel\\Morvex.dll"},
      {u"C:\\" + kProduct + u"\\" + kProduct + u"\\host.exe", u"C:\\" + kProduct + u"\\\\Kernel\\Morvex.dll"},
      {u"C:\\" + kProduct + u".exe", u""},
      {dirs240 + u"\\Bin\\host.exe", dirs240 + u"\\\\Kernel\\Morvex.dll"},
      {dirs241 + u"\\Bin\\host.exe", u""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Printable(c.host));
    char16_t path[260];
    std::fill(std::begin(path), std::end(path), u'x');
    EXPECT_EQ(BuildEngineLibraryPath(Native(c.host).c_str(), path), !c.expected.empty());
    EXPECT_EQ(Printable(path), Printable(Native(c.expected)));
    EXPECT_EQ(path[259], u'\0');
  }
}

TEST(EngineLibraryPathWide, UnterminatedOrMissingHostBuildsNothing) {
  // 260 units without a terminator: nothing past them is read.
  const std::u16string unterminated = Native(u"C:\\" + kProduct + u"\\Bin\\") + std::u16string(260, u'a');
  char16_t path[260];
  std::fill(std::begin(path), std::end(path), u'x');
  EXPECT_FALSE(BuildEngineLibraryPath(unterminated.c_str(), path));
  EXPECT_EQ(path[0], u'\0');
  std::fill(std::begin(path), std::end(path), u'x');
  EXPECT_FALSE(BuildEngineLibraryPath(static_cast<const char16_t *>(nullptr), path));
  EXPECT_EQ(path[0], u'\0');
}

}  // namespace
}  // namespace hf::test
