// The tool's own view of the settings key on Linux: what the current user may
// do with it, and a key made by `init` that is usable whatever the umask.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform.h"
#include "support/posix/unprivileged.h"
#include "support/test_hive.h"

namespace hf::cli {
namespace {

namespace fs = std::filesystem;

// The probe as one line, "<state> <writable> <detail>".
std::string Describe(const KeyProbe &probe) {
  const char *state = probe.state == KeyState::present   ? "present"
                      : probe.state == KeyState::missing ? "missing"
                                                         : "unreachable";
  return std::string(state) + (probe.writable ? " writable " : " read-only ") + probe.detail;
}

// Probes the key in a child process that, when this one runs as root (which
// bypasses permissions), runs as the user "nobody" over files handed to it.
// nullopt when the child could not run so.
std::optional<std::string> ProbeAsUser(const std::string &hiveRoot) {
  const bool drop = ::geteuid() == 0;
  if (drop && !test::GiveHiveToNobody(hiveRoot)) return std::nullopt;
  int channel[2];
  if (::pipe(channel) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    if (drop && !test::BecomeNobody()) ::_exit(1);
    const std::string line = Describe(ProbeSystemSettingsKey());
    ::_exit(::write(channel[1], line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 1);
  }
  ::close(channel[1]);
  std::string line;
  char chunk[256];
  for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;) line.append(chunk, static_cast<std::size_t>(n));
  ::close(channel[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return line;
}

class SettingsKeyPosixTest : public ::testing::Test {
 protected:
  fs::path KeyDir() const { return fs::path(hive_.Root()) / "Software" / "Quorvane"; }
  test::TestHive hive_;
};

TEST_F(SettingsKeyPosixTest, TheProbeSaysWhatTheUserMayDo) {
  struct Case {
    const char *name;
    int mode;  // of the key's directory; -1: no directory
    bool asFile;
    const char *expected;
  };
  const Case cases[] = {
      {"no key", -1, false, "missing read-only "},
      {"a file for the key", -1, true, "unreachable read-only it is a file, not a directory"},
      {"private key", 0700, false, "present writable "},
      {"read-only key", 0500, false, "present read-only Permission denied"},
      {"key of mode 000", 0, false, "unreachable read-only Permission denied"},
      {"key that cannot be listed", 0300, false, "unreachable read-only Permission denied"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    fs::create_directories(hive_.Root());
    if (c.asFile) {
      fs::create_directories(KeyDir().parent_path());
      std::ofstream(KeyDir()) << "x";
    } else if (c.mode >= 0) {
      hive_.CreateKey();
      ::chmod(KeyDir().c_str(), static_cast<mode_t>(c.mode));
    }
    const auto probe = ProbeAsUser(hive_.Root());
    if (!probe && ::geteuid() == 0) GTEST_SKIP() << "running as root, and the user nobody is not available";
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(*probe, c.expected);
    if (c.mode >= 0) ::chmod(KeyDir().c_str(), 0700);
    if (c.asFile) fs::remove(KeyDir());
  }
}

// `init` under a umask that leaves no bit still makes a key its user can
// read and write; a directory that was there already keeps its mode.
TEST_F(SettingsKeyPosixTest, CreatedKeysAreUsableWhateverTheUmask) {
  const fs::path hkcu = hive_.Root();
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0777}}) {
    SCOPED_TRACE(mask);
    fs::remove_all(hkcu);
    fs::create_directories(hkcu);
    ::chmod(hkcu.c_str(), 0751);
    const mode_t old = ::umask(mask);
    std::string error;
    const bool created = CreateSystemSettingsKey(error);
    ::umask(old);
    ASSERT_TRUE(created) << error;
    for (const fs::path &level : {hkcu / "Software", KeyDir()}) {
      struct stat info {};
      ASSERT_EQ(::stat(level.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 07777, 0700u) << level;
    }
    struct stat parent {};
    ASSERT_EQ(::stat(hkcu.c_str(), &parent), 0);
    EXPECT_EQ(parent.st_mode & 07777, 0751u);
    const auto probe = ProbeAsUser(hive_.Root());
    if (!probe && ::geteuid() == 0) GTEST_SKIP() << "running as root, and the user nobody is not available";
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(*probe, "present writable ");
  }
}

TEST_F(SettingsKeyPosixTest, TheLocationIsTheLibrarys) {
  EXPECT_EQ(SystemSettingsKeyLocation(), KeyDir().string());
  const char *saved = std::getenv("XDG_CONFIG_HOME");
  const std::string config = saved != nullptr ? saved : "";
  const char *savedHome = std::getenv("HOME");
  const std::string home = savedHome != nullptr ? savedHome : "";
  ::setenv("XDG_CONFIG_HOME", "", 1);
  ::setenv("HOME", "/h", 1);
  const std::string fromHome = SystemSettingsKeyLocation();
  ::unsetenv("HOME");
  const std::string none = SystemSettingsKeyLocation();
  const KeyProbe probe = ProbeSystemSettingsKey();
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  if (savedHome != nullptr) ::setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(fromHome, "/h/.config/hkcu/Software/Quorvane");
  EXPECT_EQ(none, "(unknown: neither XDG_CONFIG_HOME nor HOME is set)");
  EXPECT_EQ(probe.state, KeyState::unreachable);
}

}  // namespace
}  // namespace hf::cli
