// The per-user lock taken away: another object holds the lock's name, so the
// named mutex cannot be created. The calls that write fail with 0 and write
// nothing; the reading calls still answer.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "platform/process_lock.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";

TEST(RefusedLockWin32Test, WritersFailAndWriteNothing) {
  TestHive hive;
  hive.CreateKey();
  hive.WriteText(kStored, u"C:\\a\\,5|C:\\b\\,3|");
  hive.WriteText(kExcluded, u"X:\\,1|");
  if (ReferenceEngineBuilt()) {
    ASSERT_TRUE(WriteTodaysLogs({{"D:\\u\\", 4}}, {}));
  }
  // An event of the mutex's name: CreateMutexW fails on the type mismatch.
  HANDLE squatter = ::CreateEventW(nullptr, TRUE, FALSE, L"Local\\hotFolders.settings");
  ASSERT_NE(squatter, nullptr);
  {
    const platform::ProcessLock lock;
    EXPECT_TRUE(lock.refused());
  }
  EXPECT_EQ(DeletePath(Native(u"C:\\b\\").data()), 0);
  EXPECT_EQ(UpdatePath(), 0);
  EXPECT_EQ(hive.ReadText(kStored), std::u16string(u"C:\\a\\,5|C:\\b\\,3|"));
  EXPECT_EQ(hive.ReadText(kExcluded), std::u16string(u"X:\\,1|"));
  EXPECT_EQ(GetPathCount(), 2);
  ::CloseHandle(squatter);

  // With the name free again the lock is taken and the removal made.
  EXPECT_EQ(DeletePath(Native(u"C:\\b\\").data()), 1);
  EXPECT_EQ(hive.ReadText(kStored), std::u16string(u"C:\\a\\,5|"));
}

}  // namespace
}  // namespace hf::test
