// The per-user lock on Linux: taken only on a regular "<key>/.lock", never
// through a symlink, never blocking on a FIFO, and in the same key the
// settings hive uses, whichever variable names its root.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/process_lock.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

namespace fs = std::filesystem;

// The lock taken in a child process, so that a constructor that blocks is
// ended by an alarm instead of stopping the run: 1 held, 0 not held, nullopt
// when the child did not end by itself.
std::optional<int> HeldInChild() {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(60);
    const platform::ProcessLock lock;
    ::_exit(lock.held() ? 1 : 0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

std::string Contents(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ProcessLockPosixTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }
  fs::path KeyDir() const { return fs::path(hive_.Root()) / "Software" / "Quorvane"; }
  fs::path Outside() const { return fs::path(hive_.Root()).parent_path() / "outside"; }
  TestHive hive_;
};

TEST_F(ProcessLockPosixTest, OnlyARegularLockFileIsTaken) {
  struct Case {
    const char *name;
    std::function<void(const fs::path &lock, const fs::path &outside)> make;
    bool held;
  };
  const std::vector<Case> cases = {
      {"no lock file yet", [](const fs::path &, const fs::path &) {}, true},
      {"a regular file", [](const fs::path &l, const fs::path &) { std::ofstream(l) << ""; }, true},
      {"a directory", [](const fs::path &l, const fs::path &) { fs::create_directory(l); }, false},
      {"a FIFO", [](const fs::path &l, const fs::path &) { ASSERT_EQ(::mkfifo(l.c_str(), 0600), 0); }, false},
      {"a symlink to a file outside the key",
       [](const fs::path &l, const fs::path &o) {
         std::ofstream(o) << "keep me";
         fs::create_symlink(o, l);
       },
       false},
      {"a dangling symlink", [](const fs::path &l, const fs::path &o) { fs::create_symlink(o, l); }, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    fs::remove(Outside());
    c.make(KeyDir() / ".lock", Outside());
    const bool hadOutside = fs::exists(Outside());
    const auto held = HeldInChild();
    ASSERT_TRUE(held.has_value()) << "taking the lock blocked or crashed";
    EXPECT_EQ(*held, c.held ? 1 : 0);
    // Nothing outside the key was created or changed.
    EXPECT_EQ(fs::exists(Outside()), hadOutside);
    if (hadOutside) {
      EXPECT_EQ(Contents(Outside()), "keep me");
    }
  }
}

// The lock is not had while another process holds it through a symlinked
// name: a symlink is refused, not followed to a file someone else locks.
TEST_F(ProcessLockPosixTest, ASymlinkedLockNeverWaitsForItsTarget) {
  std::ofstream(Outside()) << "";
  const int other = ::open(Outside().c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  fs::create_symlink(Outside(), KeyDir() / ".lock");
  const auto held = HeldInChild();
  ::close(other);
  ASSERT_TRUE(held.has_value()) << "the lock waited for the symlink's target";
  EXPECT_EQ(*held, 0);
}

// With XDG_CONFIG_HOME empty the key is under $HOME/.config, for the lock as
// for the values.
TEST_F(ProcessLockPosixTest, FollowsTheHiveToHome) {
  const fs::path home = fs::path(hive_.Root()).parent_path() / "home";
  const fs::path key = home / ".config" / "hkcu" / "Software" / "Quorvane";
  fs::create_directories(key);
  const char *oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome != nullptr ? oldHome : "";
  const std::string savedConfig = std::getenv("XDG_CONFIG_HOME");
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", "", 1);
  bool held = false;
  {
    const platform::ProcessLock lock;
    held = lock.held();
  }
  ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  if (oldHome != nullptr)
    ::setenv("HOME", savedHome.c_str(), 1);
  else
    ::unsetenv("HOME");
  EXPECT_TRUE(held);
  EXPECT_TRUE(fs::is_regular_file(key / ".lock"));
  EXPECT_FALSE(fs::exists(KeyDir() / ".lock"));
}

}  // namespace
}  // namespace hf::test
