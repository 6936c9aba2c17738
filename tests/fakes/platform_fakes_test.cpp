// The fake COM run-time, the fake loader, the test clock and the scoped
// installers: what each reports, serves and counts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/clock.h"
#include "fakes/com.h"
#include "fakes/modules.h"
#include "fakes/scoped.h"
#include "fakes/scripted_engine.h"

namespace hf::fakes {
namespace {

// ---- FakeCom

TEST(FakeComTest, WithoutAServerNothingIsCreated) {
  FakeCom com;
  void *out = &out;
  EXPECT_EQ(com.CreateInstance(kClsidLogEngine, platform::kClsctxLocalServer, kIidLogEngine, &out),
            kREGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);
  const auto activations = com.Activations();
  ASSERT_EQ(activations.size(), 1u);
  EXPECT_TRUE(activations[0].clsid == kClsidLogEngine);
  EXPECT_EQ(activations[0].context, platform::kClsctxLocalServer);
  EXPECT_TRUE(activations[0].iid == kIidLogEngine);
  EXPECT_EQ(com.Misuse(), nullptr);
}

TEST(FakeComTest, TheServerHandsOutTheEngineAndApartmentsAreCounted) {
  ScriptedEngine engine;
  TestClock clock;
  FakeCom com;
  com.engine = &engine;
  com.slowClock = &clock;
  com.slowSeconds = 30;

  EXPECT_EQ(com.Initialize(), kS_OK);
  void *out = nullptr;
  ASSERT_EQ(com.CreateInstance(kClsidLogEngine, platform::kClsctxLocalServer, kIidLogEngine, &out), kS_OK);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(engine.ledger.live[kEngine].load(), 1);
  EXPECT_EQ(clock.Now(), clock.base + 30);
  // Leaving the apartment with the engine still held is counted.
  com.Uninitialize();
  EXPECT_EQ(com.leftHolding.load(), 1);
  static_cast<ILogEngine *>(out)->Release();

  EXPECT_EQ(com.Initialize(), kS_OK);
  com.Uninitialize();
  EXPECT_EQ(com.leftHolding.load(), 1);
  EXPECT_EQ(com.initializations.load(), 2);
  EXPECT_EQ(com.depth.load(), 0);
  EXPECT_EQ(engine.ledger.Live(), 0);
  EXPECT_EQ(com.Misuse(), nullptr);
}

TEST(FakeComTest, CallsARealCallerNeverMakesAreNoted) {
  struct Case {
    const char *name;
    Guid clsid;
    std::uint32_t context;
    Guid iid;
  };
  const Case cases[] = {
      {"another class", kIidLogEngine, platform::kClsctxLocalServer, kIidLogEngine},
      {"another context", kClsidLogEngine, 1, kIidLogEngine},
      {"another interface", kClsidLogEngine, platform::kClsctxLocalServer, kIidUnknown},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedEngine engine;
    FakeCom com;
    com.engine = &engine;
    void *out = &out;
    EXPECT_EQ(com.CreateInstance(c.clsid, c.context, c.iid, &out), kE_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(com.Misuse(), nullptr);
    EXPECT_EQ(engine.ledger.Live(), 0);
  }
  FakeCom unbalanced;
  unbalanced.Uninitialize();
  EXPECT_NE(unbalanced.Misuse(), nullptr);
}

// ---- FakeModules

TEST(FakeModulesTest, OverNothingFindsNothing) {
  FakeModules modules(&NoModules());
  char path[64] = {};
  EXPECT_EQ(modules.HostExecutablePath(path, sizeof path), 16u);
  EXPECT_STREQ(path, "nowhere/bin/host");
  EXPECT_EQ(modules.Load("C:\\Kernel\\Morvex.dll"), nullptr);
  EXPECT_EQ(modules.Search("Morvex.dll", path, sizeof path), 0u);
  EXPECT_EQ(modules.loadRequests, std::vector<std::string>{"C:\\Kernel\\Morvex.dll"});
  EXPECT_EQ(modules.searchRequests, std::vector<std::string>{"Morvex.dll"});
  EXPECT_TRUE(modules.loaded.empty());
  EXPECT_EQ(modules.Held(), 0);
}

TEST(FakeModulesTest, HostPathAsGetModuleFileNameReportsIt) {
  struct Case {
    const char *name;
    std::string hostPath;
    std::uint32_t size;
    std::uint32_t result;
    std::string text;
  };
  const Case cases[] = {
      {"fits", "C:\\P\\host.exe", 64, 13, "C:\\P\\host.exe"},
      {"just fits", "C:\\P\\host.exe", 14, 13, "C:\\P\\host.exe"},
      {"truncated", "C:\\P\\host.exe", 13, 13, "C:\\P\\host.ex"},
      {"up to a NUL", std::string("C:\\a\0b", 6), 64, 4, "C:\\a"},
      {"no room", "C:\\P\\host.exe", 0, 0, "untouched"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FakeModules modules(&NoModules());
    modules.hostPath = c.hostPath;
    char buffer[64] = "untouched";
    EXPECT_EQ(modules.HostExecutablePath(buffer, c.size), c.result);
    EXPECT_EQ(std::string(buffer), c.text);
  }
}

TEST(FakeModulesTest, SearchAnswersAsSearchPathDoes) {
  struct Case {
    const char *name;
    std::uint32_t size;
    std::optional<std::uint32_t> searchResult;
    std::uint32_t result;
    std::string text;
  };
  const Case cases[] = {
      {"fits", 32, std::nullopt, 11, "found\\a.dll"},
      {"just fits", 12, std::nullopt, 11, "found\\a.dll"},
      {"too small", 11, std::nullopt, 12, ""},
      {"result scripted", 32, 4000u, 4000, "found\\a.dll"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FakeModules modules(&NoModules());
    modules.searchAnswer = "found\\a.dll";
    modules.searchResult = c.searchResult;
    char buffer[32] = {};
    EXPECT_EQ(modules.Search("a.dll", buffer, c.size), c.result);
    EXPECT_EQ(std::string(buffer), c.text);
  }
}

TEST(FakeModulesTest, ALibraryInMemoryServesTheEngine) {
  struct Case {
    const char *name;
    std::optional<std::string> memoryPath;
    bool hasEntry;
    bool loads;  // "C:\K\Morvex.dll"
  };
  const Case cases[] = {
      {"any path", std::nullopt, true, true},
      {"its own path", std::string("C:\\K\\Morvex.dll"), true, true},
      {"another path", std::string("elsewhere.dll"), true, false},
      {"without an entry", std::nullopt, false, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedEngine engine;
    FakeModules modules(&NoModules());
    modules.memoryEngine = &engine;
    modules.memoryPath = c.memoryPath;
    modules.memoryHasEntry = c.hasEntry;
    platform::ModuleHandle module = modules.Load("C:\\K\\Morvex.dll");
    ASSERT_EQ(module != nullptr, c.loads);
    if (module == nullptr) continue;
    EXPECT_EQ(modules.Held(), 1);
    void *entry = modules.Symbol(module, "DllGetClassObject");
    ASSERT_EQ(entry != nullptr, c.hasEntry);
    EXPECT_EQ(modules.Symbol(module, "Other"), nullptr);
    if (entry != nullptr) {
      void *factory = nullptr;
      EXPECT_EQ(reinterpret_cast<platform::GetClassObjectFn>(entry)(kClsidLogEngine, kIidClassFactory, &factory),
                kS_OK);
      ASSERT_NE(factory, nullptr);
      EXPECT_EQ(engine.ledger.live[kFactory].load(), 1);
      static_cast<IClassFactoryAbi *>(factory)->Release();
    }
    modules.Free(module);
    EXPECT_EQ(modules.Held(), 0);
    EXPECT_EQ(modules.Misuse(), nullptr);
    EXPECT_EQ(modules.loaded, modules.freed);
  }
}

TEST(FakeModulesTest, HandlesUsedWhenNotLoadedAreNoted) {
  ScriptedEngine engine;
  FakeModules modules(&NoModules());
  modules.memoryEngine = &engine;
  platform::ModuleHandle module = modules.Load("a.dll");
  modules.Free(module);
  EXPECT_EQ(modules.Misuse(), nullptr);
  EXPECT_EQ(modules.Symbol(module, "DllGetClassObject"), nullptr);
  EXPECT_NE(modules.Misuse(), nullptr);

  FakeModules again(&NoModules());
  again.Free(module);
  EXPECT_NE(again.Misuse(), nullptr);
  EXPECT_EQ(again.freed.size(), 1u);
}

TEST(FakeModulesTest, RedirectsReachTheTarget) {
  // The target is itself a fake holding a library in memory at "real.dll".
  ScriptedEngine engine;
  FakeModules target(&NoModules());
  target.memoryEngine = &engine;
  target.memoryPath = "real.dll";
  FakeModules modules(&target);
  modules.redirects["asked.dll"] = "real.dll";

  EXPECT_EQ(modules.Load("other.dll"), nullptr);
  platform::ModuleHandle module = modules.Load("asked.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(modules.Symbol(module, "DllGetClassObject"), nullptr);
  modules.Free(module);
  modules.redirectAll = "real.dll";
  module = modules.Load("other.dll");
  ASSERT_NE(module, nullptr);
  modules.Free(module);

  EXPECT_EQ(modules.loadRequests, (std::vector<std::string>{"other.dll", "asked.dll", "other.dll"}));
  EXPECT_EQ(target.loadRequests, (std::vector<std::string>{"other.dll", "real.dll", "real.dll"}));
  EXPECT_EQ(target.Held(), 0);
  EXPECT_EQ(modules.Misuse(), nullptr);
  EXPECT_EQ(target.Misuse(), nullptr);
}

// ---- TestClock

TEST(TestClockTest, EachThreadCountsItsOwnSequence) {
  TestClock clock;
  clock.step = 10;
  EXPECT_EQ(clock.Now(), clock.base);
  EXPECT_EQ(clock.Now(), clock.base + 10);
  clock.AdvanceThisThread(100);
  EXPECT_EQ(clock.Now(), clock.base + 120);

  std::vector<std::int64_t> other;
  std::thread worker([&] {
    other.push_back(clock.Now());
    other.push_back(clock.Now());
  });
  worker.join();
  EXPECT_EQ(other, (std::vector<std::int64_t>{clock.base, clock.base + 10}));
  EXPECT_EQ(clock.Now(), clock.base + 130);
}

TEST(TestClockTest, ANewClockStartsAfresh) {
  std::int64_t first = 0;
  {
    TestClock clock;
    clock.step = 5;
    clock.Now();
    clock.AdvanceThisThread(50);
    first = clock.Now();
  }
  TestClock clock;
  clock.step = 5;
  EXPECT_EQ(first, clock.base + 55);
  EXPECT_EQ(clock.Now(), clock.base);
}

TEST(TestClockTest, TodayAsSet) {
  TestClock clock;
  clock.today = Date(2024, 2, 29, 23, 59, 58);
  Timestamp today{};
  ASSERT_TRUE(clock.LocalToday(&today));
  EXPECT_EQ(today.year, 2024);
  EXPECT_EQ(today.month, 2);
  EXPECT_EQ(today.day, 29);
  EXPECT_EQ(today.hour, 23);
  EXPECT_EQ(today.second, 58);
  clock.todayAvailable = false;
  EXPECT_FALSE(clock.LocalToday(&today));
}

// ---- ScopedService

TEST(ScopedServiceTest, InstallsAndRestoresInNestedOrder) {
  TestClock outer;
  TestClock inner;
  platform::Clock *const system = &platform::CurrentClock();
  {
    ScopedClock installedOuter(outer);
    EXPECT_EQ(&platform::CurrentClock(), &outer);
    {
      ScopedClock installedInner(inner);
      EXPECT_EQ(&platform::CurrentClock(), &inner);
    }
    EXPECT_EQ(&platform::CurrentClock(), &outer);
  }
  EXPECT_EQ(&platform::CurrentClock(), system);

  FakeModules modules(&NoModules());
  FakeCom com;
  {
    ScopedModules installedModules(modules);
    ScopedCom installedCom(com);
    EXPECT_EQ(&platform::CurrentModules(), &modules);
    EXPECT_EQ(&platform::CurrentCom(), &com);
  }
  EXPECT_EQ(&platform::CurrentModules(), &platform::SystemModules());
  EXPECT_EQ(&platform::CurrentCom(), &platform::SystemCom());
}

}  // namespace
}  // namespace hf::fakes
