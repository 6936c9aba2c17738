// An engine that throws a C++ exception out of Next or out of a getter ends
// the reading of that worker only: the host lives, what was read before the
// fault still counts, the other log counts in full, and every engine object
// is released.
#include <cstdint>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "platform/modules.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

// The throwing engine built beside the tests.
std::string ThrowingEnginePath() {
  char buffer[4096] = {};
  platform::SystemModules().HostExecutablePath(buffer, sizeof buffer);
  const std::string self = buffer;
  const char separator = platform::PathSeparator();
  return self.substr(0, self.rfind(separator) + 1) + "reliability-engines" + separator + "throwing_engine.dll";
}

// The system's loader, except that every library load gets the throwing engine.
class ThrowingEngineModules final : public platform::Modules {
 public:
  explicit ThrowingEngineModules(std::string path) : path_(std::move(path)) {}
  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    return platform::SystemModules().HostExecutablePath(buffer, size);
  }
  platform::ModuleHandle Load(const char *) override { return platform::SystemModules().Load(path_.c_str()); }
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override {
    return platform::SystemModules().Search(file, buffer, size);
  }
  void *Symbol(platform::ModuleHandle module, const char *name) override {
    return platform::SystemModules().Symbol(module, name);
  }
  void Free(platform::ModuleHandle module) override { platform::SystemModules().Free(module); }

 private:
  std::string path_;
};

class ThrowingEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = platform::SystemModules().Load(modules_path_.c_str());
    ASSERT_NE(engine_, nullptr) << "cannot load " << modules_path_;
    setMode_ = reinterpret_cast<void (*)(std::int32_t)>(platform::SystemModules().Symbol(engine_, "SetThrowingEngineMode"));
    live_ = reinterpret_cast<std::int32_t (*)()>(platform::SystemModules().Symbol(engine_, "ThrowingEngineLiveObjects"));
    ASSERT_NE(setMode_, nullptr);
    ASSERT_NE(live_, nullptr);
    previous_ = platform::SetModulesForTesting(&modules_);
    hive_.CreateKey();
  }
  void TearDown() override {
    platform::SetModulesForTesting(previous_);
    if (engine_ != nullptr) platform::SystemModules().Free(engine_);
  }

  std::string modules_path_ = ThrowingEnginePath();
  ThrowingEngineModules modules_{modules_path_};
  platform::Modules *previous_ = nullptr;
  platform::ModuleHandle engine_ = nullptr;
  void (*setMode_)(std::int32_t) = nullptr;
  std::int32_t (*live_)() = nullptr;
  TestHive hive_;
};

TEST_F(ThrowingEngineTest, AThrowEndsOnlyThatWorkersReading) {
  const struct {
    const char *where;
    std::int32_t mode;
  } cases[] = {{"Next", 0}, {"GetObjectPath", 1}, {"GetTime", 2}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.where);
    hive_.WriteText(u"hotFolders", u"old\\,1|");
    setMode_(c.mode);
    EXPECT_EQ(UpdatePath(), 1);
    // First log: two records before the fault; second log: read to its end.
    EXPECT_EQ(hive_.ReadText(u"hotFolders"), std::u16string(u"C:\\Second\\,3|C:\\First\\,2|C:\\Both\\,1|"));
    EXPECT_EQ(live_(), 0) << "engine objects left unreleased";
  }
  // The host goes on working afterwards.
  EXPECT_EQ(GetPathCount(), 3);
}

TEST_F(ThrowingEngineTest, AThrowOutOfReleaseIsDropped) {
  // The object is gone when Release throws: reading goes on, so the first
  // log counts all three of its records.
  const struct {
    const char *where;
    std::int32_t mode;
  } cases[] = {{"record's Release", 3}, {"cursor's Release", 4}, {"engine's Release", 5}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.where);
    hive_.WriteText(u"hotFolders", u"old\\,1|");
    setMode_(c.mode);
    EXPECT_EQ(UpdatePath(), 1);
    EXPECT_EQ(hive_.ReadText(u"hotFolders"), std::u16string(u"C:\\First\\,3|C:\\Second\\,3|C:\\Both\\,1|"));
    EXPECT_EQ(live_(), 0) << "engine objects left unreleased";
  }
  EXPECT_EQ(GetPathCount(), 3);
}

}  // namespace
}  // namespace hf::test
