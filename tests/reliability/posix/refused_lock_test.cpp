// A per-user lock that exists but cannot be taken ("<key>/.lock" made a
// directory, a FIFO or a dangling symlink): the calls that write fail with 0
// and write nothing; the reading calls still answer. Without a key directory
// there is nothing to lock and the calls answer as for a missing key.
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "platform/process_lock.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";

class RefusedLockTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }
  fs::path KeyDir() const { return fs::path(hive_.Root()) / "Software" / "Quorvane"; }

  TestHive hive_;
};

TEST_F(RefusedLockTest, WritersFailAndWriteNothing) {
  const std::map<std::string, std::function<void(const fs::path &)>> locks = {
      {"a directory", [](const fs::path &lock) { fs::create_directory(lock); }},
      {"a FIFO", [](const fs::path &lock) { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }},
      {"a dangling symlink", [](const fs::path &lock) { fs::create_symlink(lock.parent_path() / "nowhere", lock); }},
  };
  if (ReferenceEngineBuilt()) {
    ASSERT_TRUE(WriteTodaysLogs({{"D:\\u\\", 4}}, {}));
  }
  for (const auto &[name, make] : locks) {
    SCOPED_TRACE(name);
    hive_.RemoveKey();
    hive_.CreateKey();
    hive_.WriteText(kStored, u"C:\\a\\,5|C:\\b\\,3|");
    hive_.WriteText(kExcluded, u"X:\\,1|");
    make(KeyDir() / ".lock");
    {
      const platform::ProcessLock lock;
      EXPECT_TRUE(lock.refused());
    }

    EXPECT_EQ(DeletePath(Native(u"C:\\b\\").data()), 0);
    EXPECT_EQ(UpdatePath(), 0);
    EXPECT_EQ(hive_.ReadText(kStored), std::u16string(u"C:\\a\\,5|C:\\b\\,3|"));
    EXPECT_EQ(hive_.ReadText(kExcluded), std::u16string(u"X:\\,1|"));
    EXPECT_FALSE(fs::exists(KeyDir() / "nowhere"));
    // Reading needs no lock: each value is replaced whole.
    EXPECT_EQ(GetPathCount(), 2);
  }
}

TEST_F(RefusedLockTest, WithoutAKeyThereIsNothingToLock) {
  hive_.RemoveKey();
  const platform::ProcessLock lock;
  EXPECT_TRUE(lock.keyMissing());
  EXPECT_FALSE(lock.refused());
  EXPECT_EQ(DeletePath(Native(u"C:\\b\\").data()), 0);
  EXPECT_FALSE(hive_.KeyExists());
}

}  // namespace
}  // namespace hf::test
