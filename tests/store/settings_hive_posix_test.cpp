// The Linux settings hive itself: where it lives, the file of a value, damaged
// files, access rights and whole writes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "platform/settings_store.h"
#include "store/stored_lists.h"
#include "store_test_util.h"
#include "support/test_hive.h"

namespace hf {
namespace {

namespace fs = std::filesystem;
using platform::KeyHandle;
using platform::SettingsStore;
using test::Bytes;

constexpr Status kErrorMoreData = 234;
constexpr Status kErrorInvalidParameter = 87;

class SettingsHiveTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }

  fs::path KeyDir() const { return fs::path(hive_.Root()) / "Software" / "Quorvane"; }

  std::vector<std::uint8_t> FileBytes(const std::string &file) const {
    std::ifstream in(KeyDir() / file, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
  }

  std::vector<std::string> KeyDirEntries() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(KeyDir()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  SettingsStore &hive() { return platform::SystemSettings(); }

  test::TestHive hive_;
};

// An open key, closed when the test ends.
class OpenKey {
 public:
  OpenKey(SettingsStore &store, std::uint32_t access) : store_(store) {
    status_ = store_.OpenKey(access, &key_);
  }
  ~OpenKey() {
    if (status_ == kErrorSuccess) store_.CloseKey(key_);
  }
  Status status() const { return status_; }
  KeyHandle get() const { return key_; }

 private:
  SettingsStore &store_;
  KeyHandle key_ = nullptr;
  Status status_;
};

TEST_F(SettingsHiveTest, ValueFileIsTypeThenData) {
  ASSERT_EQ(PrependExcluded({u"C:\\a", 5}), WriteOutcome::kWritten);
  std::vector<std::uint8_t> expected{7, 0, 0, 0};
  const auto data = Bytes(u"C:\\a,5|");
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(FileBytes("deletepath.value"), expected);
  ASSERT_EQ(ReplaceRanked(FolderList()), WriteOutcome::kWritten);
  EXPECT_EQ(FileBytes("hotFolders.value"), (std::vector<std::uint8_t>{7, 0, 0, 0}));
}

TEST_F(SettingsHiveTest, WritesLeaveNoTemporaryFiles) {
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(ReplaceRanked(FolderList()), WriteOutcome::kWritten);
    ASSERT_EQ(ReplaceRanked(ListOf({{u"C:\\a", 1}})), WriteOutcome::kWritten);
    ASSERT_EQ(PrependExcluded({u"C:\\b", 2}), WriteOutcome::kWritten);
  }
  auto names = KeyDirEntries();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"deletepath.value", "hotFolders.value"}));
}

TEST_F(SettingsHiveTest, QueriesReportSizeMissingAndShortBuffers) {
  hive_.WriteText(u"hotFolders", u"abc");
  OpenKey key(hive(), platform::kKeyRead);
  ASSERT_EQ(key.status(), kErrorSuccess);
  std::uint32_t bytes = 0;
  EXPECT_EQ(hive().QuerySize(key.get(), u"hotFolders", &bytes), kErrorSuccess);
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(hive().QuerySize(key.get(), u"deletepath", &bytes), kErrorFileNotFound);
  std::uint8_t buffer[4] = {};
  bytes = sizeof buffer;
  EXPECT_EQ(hive().QueryData(key.get(), u"hotFolders", buffer, &bytes), kErrorMoreData);
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(hive().QuerySize(key.get(), u"../escape", &bytes), kErrorInvalidParameter);
  // A key opened for reading cannot write.
  EXPECT_EQ(hive().SetValue(key.get(), u"hotFolders", 7, nullptr, 0), kErrorAccessDenied);
}

TEST_F(SettingsHiveTest, NonAsciiValueNamesAreUtf8FileNames) {
  OpenKey key(hive(), platform::kKeyAllAccess);
  ASSERT_EQ(key.status(), kErrorSuccess);
  const std::uint8_t data[2] = {'x', 0};
  ASSERT_EQ(hive().SetValue(key.get(), u"caf\u00e9", 7, data, 2), kErrorSuccess);
  EXPECT_TRUE(fs::exists(KeyDir() / "caf\xc3\xa9.value"));
  std::uint32_t bytes = 0;
  EXPECT_EQ(hive().QuerySize(key.get(), u"caf\u00e9", &bytes), kErrorSuccess);
  EXPECT_EQ(bytes, 2u);
}

TEST_F(SettingsHiveTest, DamagedValueFilesFailTheirQueries) {
  struct Case {
    const char *name;
    void (*damage)(const fs::path &file);
  };
  const Case cases[] = {
      {"empty file", [](const fs::path &f) { std::ofstream(f, std::ios::binary); }},
      {"three bytes", [](const fs::path &f) { std::ofstream(f, std::ios::binary) << "abc"; }},
      {"a directory", [](const fs::path &f) { fs::create_directory(f); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    c.damage(KeyDir() / "deletepath.value");
    {
      OpenKey key(hive(), platform::kKeyRead);
      ASSERT_EQ(key.status(), kErrorSuccess);
      std::uint32_t bytes = 0;
      const Status status = hive().QuerySize(key.get(), u"deletepath", &bytes);
      EXPECT_NE(status, kErrorSuccess);
      EXPECT_NE(status, kErrorFileNotFound);
    }
    // A failing size query loads as an empty list and blocks an append.
    const LoadedList loaded = LoadExcluded();
    EXPECT_EQ(LoaderResult(loaded.outcome), 1);
    EXPECT_TRUE(loaded.entries.Empty());
    EXPECT_EQ(PrependExcluded({u"C:\\a", 1}), WriteOutcome::kUnreadable);
  }
}

TEST_F(SettingsHiveTest, ShortFileIsABadDatabase) {
  std::ofstream(KeyDir() / "hotFolders.value", std::ios::binary) << "ab";
  OpenKey key(hive(), platform::kKeyRead);
  std::uint32_t bytes = 0;
  EXPECT_EQ(hive().QuerySize(key.get(), u"hotFolders", &bytes), kErrorBadDb);
}

TEST_F(SettingsHiveTest, MissingKeyIsNotFound) {
  hive_.RemoveKey();
  for (std::uint32_t access : {platform::kKeyRead, platform::kKeyWrite, platform::kKeyAllAccess}) {
    OpenKey key(hive(), access);
    EXPECT_EQ(key.status(), kErrorFileNotFound);
  }
  EXPECT_FALSE(hive_.KeyExists());
}

TEST_F(SettingsHiveTest, RootFallsBackToHomeConfig) {
  const std::string home = (fs::path(hive_.Root()).parent_path() / "home").string();
  fs::create_directories(fs::path(home) / ".config" / "hkcu" / "Software" / "Quorvane");
  const char *oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  const char *oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedConfig = oldConfig ? oldConfig : "";
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", "", 1);
  const int appended = PrependExcluded({u"C:\\h", 1}) == WriteOutcome::kWritten ? 1 : 0;
  ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  if (oldHome)
    ::setenv("HOME", savedHome.c_str(), 1);
  else
    ::unsetenv("HOME");
  EXPECT_EQ(appended, 1);
  EXPECT_TRUE(fs::exists(fs::path(home) / ".config/hkcu/Software/Quorvane/deletepath.value"));
  EXPECT_FALSE(hive_.ReadRaw(u"deletepath").has_value());
}

// Runs check with the key directory read-only to it: as an unprivileged user
// in a child process when the test runs as root (root may write anywhere).
// Returns check's result, or -1 when it could not run.
int WithReadOnlyKey(const fs::path &keyDir, int (*check)()) {
  ::chmod(keyDir.c_str(), 0555);
  if (::geteuid() != 0) {
    const int result = check();
    ::chmod(keyDir.c_str(), 0755);
    return result;
  }
  // The child must be able to reach the key: open up the private temp dirs.
  for (fs::path p = keyDir; p.has_parent_path() && p != p.parent_path(); p = p.parent_path()) {
    if (p.filename().string().rfind("hotfolders-hive-", 0) == 0) {
      ::chmod(p.c_str(), 0755);
      break;
    }
    ::chmod(p.c_str(), 0755);
  }
  ::chmod(keyDir.c_str(), 0555);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
    ::_exit(check());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  ::chmod(keyDir.c_str(), 0755);
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

TEST_F(SettingsHiveTest, ReadOnlyKeyRefusesWriteAccess) {
  hive_.WriteText(u"hotFolders", u"C:\\a,5|");
  const int result = WithReadOnlyKey(KeyDir(), [] {
    auto &store = platform::SystemSettings();
    int bits = 0;
    KeyHandle key = nullptr;
    if (store.OpenKey(platform::kKeyWrite, &key) == kErrorAccessDenied) bits |= 1;
    if (store.OpenKey(platform::kKeyAllAccess, &key) == kErrorAccessDenied) bits |= 2;
    if (store.OpenKey(platform::kKeyRead, &key) == kErrorSuccess) {
      bits |= 4;
      store.CloseKey(key);
    }
    if (GetPathCount() == 1) bits |= 8;
    if (DeletePath(u"C:\\a") == 0) bits |= 16;
    return bits;
  });
  ASSERT_NE(result, -1) << "could not run without write access";
  EXPECT_EQ(result, 31);
  EXPECT_EQ(hive_.ReadText(u"hotFolders"), u"C:\\a,5|");
  EXPECT_FALSE(hive_.ReadRaw(u"deletepath").has_value());
}

TEST_F(SettingsHiveTest, FailedWriteKeepsTheOldValueAndNoTemporaryFile) {
  hive_.WriteText(u"hotFolders", u"C:\\a,5|");
  OpenKey key(hive(), platform::kKeyAllAccess);
  ASSERT_EQ(key.status(), kErrorSuccess);
  // The directory becomes read-only after the key was opened: the temporary
  // file cannot be made, and the old value stays whole.
  const fs::path keyDir = KeyDir();
  static OpenKey *openKey = nullptr;
  openKey = &key;
  const int result = WithReadOnlyKey(keyDir, [] {
    const std::uint8_t data[2] = {'z', 0};
    return platform::SystemSettings().SetValue(openKey->get(), u"hotFolders", 7, data, 2) ==
                   kErrorSuccess
               ? 0
               : 1;
  });
  ASSERT_NE(result, -1);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(hive_.ReadText(u"hotFolders"), u"C:\\a,5|");
  EXPECT_EQ(KeyDirEntries(), std::vector<std::string>{"hotFolders.value"});
}

}  // namespace
}  // namespace hf
