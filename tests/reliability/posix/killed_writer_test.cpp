// Writers of a value killed in the middle of their write, again and again:
// the value stays whole (old or new), and the next write leaves no temporary
// file behind, however many writers died before it.
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

namespace fs = std::filesystem;
using platform::KeyHandle;

constexpr std::uint32_t kBytes = 8u << 20;

// Writes kBytes bytes of `fill` into "hotFolders"; the status of the write.
Status WriteFilled(std::uint8_t fill) {
  auto &store = platform::SystemSettings();
  KeyHandle key = nullptr;
  const Status opened = store.OpenKey(platform::kKeyAllAccess, &key);
  if (opened != kErrorSuccess) return opened;
  const std::vector<std::uint8_t> data(kBytes, fill);
  const Status set = store.SetValue(key, u"hotFolders", platform::kRegMultiSz, data.data(), kBytes);
  store.CloseKey(key);
  return set;
}

class KilledWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }
  fs::path KeyDir() const { return fs::path(hive_.Root()) / "Software" / "Quorvane"; }

  // The names in the key other than the value itself.
  std::vector<std::string> Others() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(KeyDir()))
      if (entry.path().filename() != "hotFolders.value") names.push_back(entry.path().filename().string());
    return names;
  }

  // Each file in the key other than the value: its name, inode and change
  // time, which tell a file made afresh from one that was there before.
  using Identity = std::tuple<std::string, ino_t, long long, long>;
  std::set<Identity> OtherFiles() const {
    std::set<Identity> files;
    for (const std::string &name : Others()) {
      struct stat info {};
      if (::lstat((KeyDir() / name).c_str(), &info) == 0)
        files.emplace(name, info.st_ino, static_cast<long long>(info.st_ctim.tv_sec), info.st_ctim.tv_nsec);
    }
    return files;
  }

  // Whether the value is whole: the type, then kBytes bytes all alike.
  bool ValueIsWhole() const {
    std::ifstream in(KeyDir() / "hotFolders.value", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != 4 + kBytes || bytes[0] != 7 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0)
      return false;
    for (std::size_t i = 5; i < bytes.size(); ++i)
      if (bytes[i] != bytes[4]) return false;
    return true;
  }

  TestHive hive_;
};

TEST_F(KilledWriterTest, KilledWritersLeaveNothingThatStays) {
  ASSERT_EQ(WriteFilled(1), kErrorSuccess);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const std::set<Identity> before = OtherFiles();
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(60);  // a writer that never gets going ends here
      for (std::uint8_t fill = 2;; fill = static_cast<std::uint8_t>(fill % 200 + 2)) (void)WriteFilled(fill);
    }
    ASSERT_GT(child, 0);
    // Killed as soon as it has made its temporary file: in the middle of a write.
    const auto started = [&] {
      for (const Identity &file : OtherFiles())
        if (before.count(file) == 0) return true;
      return false;
    };
    bool ended = false;
    while (!started() && !ended) {
      int status = 0;
      ended = ::waitpid(child, &status, WNOHANG) == child;
      if (!ended) ::usleep(100);
    }
    ASSERT_FALSE(ended) << "the writer ended before it wrote";
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(ValueIsWhole());
  }
  EXPECT_LE(Others().size(), 1u) << "temporary files piled up";
  ASSERT_EQ(WriteFilled(9), kErrorSuccess);
  EXPECT_TRUE(ValueIsWhole());
  EXPECT_EQ(Others(), std::vector<std::string>{});
}

}  // namespace
}  // namespace hf::test
