// Writes that fail for want of space, made in a child process under a small
// file size limit: the old value stays whole, no temporary file is left, and
// a removal that could not be recorded leaves the folder listed.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "reliability_support.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
constexpr rlim_t kLimit = 16384;  // bytes any file of the child may reach

// A list text of count entries of about 20 code units each.
std::u16string ListOf(int count, const std::u16string &prefix) {
  std::u16string text;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += prefix + std::u16string(n.begin(), n.end()) + u"\\,1|";
  }
  return text;
}

// A list text of exactly units code units: entries, the last one padded.
std::u16string ListFilling(std::size_t units) {
  std::u16string text;
  for (int i = 0; text.size() + 40 < units; ++i) {
    const std::string n = std::to_string(i);
    text += u"C:\\Gone\\Folder" + std::u16string(n.begin(), n.end()) + u"\\,1|";
  }
  const std::u16string tail = u"\\,1|";
  text += u"C:\\Pad";
  text += std::u16string(units - text.size() - tail.size(), u'x');
  text += tail;
  return text;
}

// Runs call in a child whose files cannot grow beyond kLimit bytes (the
// signal for that is ignored, so the write fails with EFBIG instead). Returns
// the call's result, or -1 when the child did not end normally.
int WithSmallDisk(int (*call)()) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kLimit, kLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(255);
    ::_exit(call());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }

  std::vector<std::string> KeyFiles() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(fs::path(hive_.Root()) / "Software" / "Quorvane"))
      if (entry.path().filename() != ".lock") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TestHive hive_;
};

TEST_F(FullDiskTest, ARemovalThatCannotBeRecordedKeepsTheFolderListed) {
  // deletepath fills the limit; with one more entry in front it does not fit.
  const std::u16string excluded = ListFilling((kLimit - 4) / 2);
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
  hive_.WriteText(kExcluded, excluded);

  EXPECT_EQ(WithSmallDisk([] { return DeletePath(Native(u"C:\\a").data()); }), 0);
  EXPECT_EQ(hive_.ReadText(kExcluded), excluded);
  EXPECT_EQ(hive_.ReadText(kStored), std::u16string(u"C:\\a,5|C:\\b,3|"));
  EXPECT_EQ(KeyFiles(), (std::vector<std::string>{"deletepath.value", "hotFolders.value"}));
}

TEST_F(FullDiskTest, AFailedRewriteLeavesAWholeValueAndNoTemporaryFile) {
  // The rewrite of a list longer than the limit fails after the reset.
  const std::u16string stored = ListOf(600, u"C:\\Kept\\Folder");
  ASSERT_GT(4 + 2 * stored.size(), kLimit);
  hive_.WriteText(kStored, stored);

  // The list could not be written back: the call reports it.
  EXPECT_EQ(WithSmallDisk([] { return DeletePath(Native(u"C:\\not listed").data()); }), 0);
  const auto after = hive_.ReadText(kStored);
  ASSERT_TRUE(after.has_value());
  EXPECT_TRUE(*after == stored || IsWholeList(*after));
  EXPECT_FALSE(hive_.ReadRaw(kExcluded).has_value());
  EXPECT_EQ(KeyFiles(), std::vector<std::string>{"hotFolders.value"});
}

TEST_F(FullDiskTest, TheNextCallWithSpaceCompletesTheRemoval) {
  const std::u16string excluded = ListFilling((kLimit - 4) / 2);
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
  hive_.WriteText(kExcluded, excluded);
  ASSERT_EQ(WithSmallDisk([] { return DeletePath(Native(u"C:\\a").data()); }), 0);

  EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 1);
  EXPECT_EQ(hive_.ReadText(kStored), std::u16string(u"C:\\b,3|"));
  EXPECT_EQ(hive_.ReadText(kExcluded), u"C:\\a,5|" + excluded);
}

}  // namespace
}  // namespace hf::test
