// The Linux settings hive itself: where it lives, the file of a value, damaged
// files, access rights and whole writes.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "hotFolders.h"
#include "platform/posix/hive_location.h"
#include "platform/posix/settings_hive.h"
#include "platform/settings_store.h"
#include "store/stored_lists.h"
#include "store_test_util.h"
#include "support/posix/unprivileged.h"
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

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char *name, const char *value) : name_(name) {
    const char *old = std::getenv(name);
    if (old != nullptr) saved_ = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (saved_)
      ::setenv(name_, saved_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

 private:
  const char *name_;
  std::optional<std::string> saved_;
};

std::string KeyDirectoryNow() {
  char path[PATH_MAX];
  const std::size_t length = platform::HiveKeyDirectory(path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

TEST(HiveLocationTest, FollowsXdgConfigHomeThenHome) {
  struct Case {
    const char *xdg;   // nullptr: unset
    const char *home;  // nullptr: unset
    const char *expected;
  };
  const Case cases[] = {
      {"/x", "/h", "/x/hkcu/Software/Quorvane"},
      {"", "/h", "/h/.config/hkcu/Software/Quorvane"},
      {nullptr, "/h", "/h/.config/hkcu/Software/Quorvane"},
      {nullptr, nullptr, ""},
      {"", "", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("XDG_CONFIG_HOME=") + (c.xdg ? c.xdg : "(unset)") +
                 " HOME=" + (c.home ? c.home : "(unset)"));
    const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    const ScopedEnv home("HOME", c.home);
    EXPECT_EQ(KeyDirectoryNow(), c.expected);
  }
}

TEST(HiveLocationTest, APathThatDoesNotFitIsReportedAndCut) {
  const ScopedEnv xdg("XDG_CONFIG_HOME", "/a/b");
  char small[8];
  EXPECT_GE(platform::HiveKeyDirectory(small, sizeof small), sizeof small);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);  // terminated within the buffer
  char exact[sizeof "/a/b/hkcu/Software/Quorvane"];
  EXPECT_EQ(platform::HiveKeyDirectory(exact, sizeof exact), sizeof exact - 1);
  EXPECT_STREQ(exact, "/a/b/hkcu/Software/Quorvane");
}

TEST(HiveErrnoTest, EveryErrnoHasOneStatus) {
  struct Case {
    int error;
    Status status;
  };
  const Case cases[] = {
      {ENOENT, kErrorFileNotFound},      {EACCES, kErrorAccessDenied},
      {EPERM, kErrorAccessDenied},       {EROFS, kErrorAccessDenied},
      {ENOMEM, kErrorNotEnoughMemory},   {ENOSPC, platform::kErrorDiskFull},
      {EDQUOT, platform::kErrorDiskFull}, {EFBIG, platform::kErrorDiskFull},
      {ENOTDIR, kErrorBadDb},            {ELOOP, kErrorBadDb},
      {EISDIR, kErrorBadDb},             {ENXIO, kErrorBadDb},
      {EIO, kErrorBadDb},                {EEXIST, kErrorBadDb},
  };
  for (const Case &c : cases) EXPECT_EQ(platform::FromErrno(c.error), c.status) << std::strerror(c.error);
  EXPECT_NE(platform::kErrorDiskFull, kErrorAccessDenied);
}

// Runs calls in a child process and returns the statuses it reported, or
// nothing when the child did not end by itself. An alarm ends a child whose
// call blocks, so a call that would hang fails the test instead of the run.
// With unprivileged set, a child of root runs as the user "nobody" (root
// bypasses permissions), and the files under root_dir are handed to it.
std::optional<std::vector<Status>> StatusesInChild(const std::function<std::vector<Status>()> &calls,
                                                   bool unprivileged = false,
                                                   const std::string &root_dir = {}) {
  const bool drop = unprivileged && ::geteuid() == 0;
  if (drop && !test::GiveHiveToNobody(root_dir)) return std::nullopt;
  int channel[2];
  if (::pipe(channel) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    ::alarm(60);
    if (drop && !test::BecomeNobody()) ::_exit(1);
    const std::vector<Status> statuses = calls();
    const auto bytes = static_cast<ssize_t>(statuses.size() * sizeof(Status));
    ::_exit(::write(channel[1], statuses.data(), static_cast<std::size_t>(bytes)) == bytes ? 0 : 1);
  }
  ::close(channel[1]);
  std::vector<Status> statuses;
  Status status = 0;
  while (::read(channel[0], &status, sizeof status) == static_cast<ssize_t>(sizeof status))
    statuses.push_back(status);
  ::close(channel[0]);
  int exit = 0;
  if (child < 0 || ::waitpid(child, &exit, 0) != child || !WIFEXITED(exit) || WEXITSTATUS(exit) != 0)
    return std::nullopt;
  return statuses;
}

// The size query's status and size, then the data query's status and size
// with a 64-byte buffer, for one value of a key opened for reading.
std::vector<Status> QueryBoth(const char16_t *name) {
  auto &store = platform::SystemSettings();
  KeyHandle key = nullptr;
  const Status opened = store.OpenKey(platform::kKeyRead, &key);
  if (opened != kErrorSuccess) return {opened};
  std::uint32_t size = 0xDEAD;
  const Status sized = store.QuerySize(key, name, &size);
  std::uint8_t buffer[64];
  std::uint32_t delivered = sizeof buffer;
  const Status read = store.QueryData(key, name, buffer, &delivered);
  store.CloseKey(key);
  return {sized, static_cast<Status>(size), read, static_cast<Status>(delivered)};
}

void MakeFifo(const fs::path &file) { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0) << std::strerror(errno); }

void MakeSocket(const fs::path &file) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(file.native().size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, file.c_str());
  EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0) << std::strerror(errno);
  ::close(fd);
}

void WriteBytes(const fs::path &file, const std::string &bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Every kind of value file, as the size and data queries see it. Nothing may
// block: a FIFO or a socket is a damaged value, and so is a symlink, which is
// never followed.
TEST_F(SettingsHiveTest, QueriesOfEveryKindOfValueFile) {
  constexpr Status kSize = 0xDEAD;  // the size query did not store a size
  struct Case {
    const char *name;
    std::function<void(const fs::path &value, const fs::path &key)> make;
    std::vector<Status> expected;  // size status, size, data status, delivered
  };
  const std::vector<Case> cases = {
      {"missing", [](const fs::path &, const fs::path &) {}, {kErrorFileNotFound, kSize, kErrorFileNotFound, 64}},
      {"empty file", [](const fs::path &v, const fs::path &) { WriteBytes(v, ""); }, {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"three bytes", [](const fs::path &v, const fs::path &) { WriteBytes(v, std::string("\7\0\0", 3)); },
       {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"header only", [](const fs::path &v, const fs::path &) { WriteBytes(v, std::string("\7\0\0\0", 4)); },
       {kErrorSuccess, 0, kErrorSuccess, 0}},
      {"header and data", [](const fs::path &v, const fs::path &) { WriteBytes(v, std::string("\7\0\0\0a\0b\0", 8)); },
       {kErrorSuccess, 4, kErrorSuccess, 4}},
      {"directory", [](const fs::path &v, const fs::path &) { fs::create_directory(v); }, {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"FIFO", [](const fs::path &v, const fs::path &) { MakeFifo(v); }, {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"socket", [](const fs::path &v, const fs::path &) { MakeSocket(v); }, {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"symlink to a value file",
       [](const fs::path &v, const fs::path &k) {
         WriteBytes(k / "other.value", std::string("\7\0\0\0a\0", 6));
         fs::create_symlink(k / "other.value", v);
       },
       {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"symlink to a FIFO",
       [](const fs::path &v, const fs::path &k) {
         MakeFifo(k / "pipe");
         fs::create_symlink(k / "pipe", v);
       },
       {kErrorBadDb, kSize, kErrorBadDb, 64}},
      {"dangling symlink", [](const fs::path &v, const fs::path &k) { fs::create_symlink(k / "nowhere", v); },
       {kErrorBadDb, kSize, kErrorBadDb, 64}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    c.make(KeyDir() / "hotFolders.value", KeyDir());
    const auto statuses = StatusesInChild([] { return QueryBoth(u"hotFolders"); });
    ASSERT_TRUE(statuses.has_value()) << "the queries blocked or crashed";
    EXPECT_EQ(*statuses, c.expected);
  }
}

// The store's own calls on a FIFO: they end, and count nothing.
TEST_F(SettingsHiveTest, AFifoValueNeverBlocksTheExports) {
  for (const char *value : {"hotFolders.value", "deletepath.value"}) {
    SCOPED_TRACE(value);
    hive_.RemoveKey();
    hive_.CreateKey();
    MakeFifo(KeyDir() / value);
    const auto statuses = StatusesInChild([] {
      return std::vector<Status>{GetPathCount(), DeletePath(u"C:\\a"), UpdatePath()};
    });
    ASSERT_TRUE(statuses.has_value()) << "an export blocked or crashed";
    EXPECT_EQ((*statuses)[0], 0);
  }
}

// A value file that exists but cannot be opened is refused access, not
// missing; only a file that is not there is missing.
TEST_F(SettingsHiveTest, AnUnreadableValueIsAccessDenied) {
  hive_.WriteText(u"hotFolders", u"C:\\a,5|");
  ::chmod((KeyDir() / "hotFolders.value").c_str(), 0);
  const auto statuses = StatusesInChild(
      [] {
        std::vector<Status> both = QueryBoth(u"hotFolders");
        const std::vector<Status> missing = QueryBoth(u"deletepath");
        both.insert(both.end(), missing.begin(), missing.end());
        return both;
      },
      true, hive_.Root());
  if (!statuses && ::geteuid() == 0) GTEST_SKIP() << "running as root, and the user nobody is not available";
  ASSERT_TRUE(statuses.has_value());
  EXPECT_EQ(*statuses, (std::vector<Status>{kErrorAccessDenied, 0xDEAD, kErrorAccessDenied, 64,
                                            kErrorFileNotFound, 0xDEAD, kErrorFileNotFound, 64}));
}

TEST_F(SettingsHiveTest, WhereNoKeyCanBeItIsMissing) {
  struct Case {
    const char *name;
    std::function<void(const fs::path &root)> make;  // root: the hive's root, .../hkcu
  };
  const std::vector<Case> cases = {
      {"no key", [](const fs::path &) {}},
      {"a file for the key", [](const fs::path &r) {
         fs::create_directories(r / "Software");
         WriteBytes(r / "Software" / "Quorvane", "x");
       }},
      {"a file above the key", [](const fs::path &r) { WriteBytes(r / "Software", "x"); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(hive_.Root());
    fs::create_directories(hive_.Root());
    c.make(hive_.Root());
    KeyHandle key = nullptr;
    EXPECT_EQ(hive().OpenKey(platform::kKeyRead, &key), kErrorFileNotFound);
  }
  // A root longer than any path the system can open.
  const std::string tooLong(PATH_MAX + 16, 'd');
  const ScopedEnv xdg("XDG_CONFIG_HOME", ("/" + tooLong).c_str());
  KeyHandle key = nullptr;
  EXPECT_EQ(hive().OpenKey(platform::kKeyRead, &key), kErrorFileNotFound);
}

// The key's directory turned into a file after the key was opened: the value
// cannot be reached, which is not the same as a value that is not there.
TEST_F(SettingsHiveTest, AKeyReplacedByAFileIsNotAMissingValue) {
  hive_.WriteText(u"hotFolders", u"C:\\a,5|");
  OpenKey key(hive(), platform::kKeyRead);
  ASSERT_EQ(key.status(), kErrorSuccess);
  hive_.RemoveKey();
  WriteBytes(KeyDir(), "x");
  std::uint32_t bytes = 0;
  const Status status = hive().QuerySize(key.get(), u"hotFolders", &bytes);
  EXPECT_NE(status, kErrorSuccess);
  EXPECT_NE(status, kErrorFileNotFound);
  fs::remove(KeyDir());
}

// A file the caller's buffer cannot hold is neither read nor copied: the size
// comes from the file's length alone.
TEST_F(SettingsHiveTest, HugeValuesAreSizedWithoutReading) {
  struct Case {
    const char *name;
    std::uint64_t fileBytes;
    Status sizeStatus;
  };
  const Case cases[] = {
      {"3 GiB", 3ull << 30, kErrorSuccess},
      {"4 GiB and the header", (4ull << 30) + 4, kErrorBadDb},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = KeyDir() / "hotFolders.value";
    WriteBytes(file, std::string("\7\0\0\0", 4));
    fs::resize_file(file, c.fileBytes);  // sparse: no block is written
    OpenKey key(hive(), platform::kKeyRead);
    ASSERT_EQ(key.status(), kErrorSuccess);
    std::uint32_t bytes = 0;
    EXPECT_EQ(hive().QuerySize(key.get(), u"hotFolders", &bytes), c.sizeStatus);
    std::uint8_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), 0xAB);
    std::uint32_t room = sizeof buffer;
    const Status read = hive().QueryData(key.get(), u"hotFolders", buffer, &room);
    if (c.sizeStatus == kErrorSuccess) {
      EXPECT_EQ(bytes, c.fileBytes - 4);
      EXPECT_EQ(read, 234);  // ERROR_MORE_DATA
      EXPECT_EQ(room, c.fileBytes - 4);
    } else {
      EXPECT_EQ(read, c.sizeStatus);
    }
    EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](std::uint8_t b) { return b == 0xAB; }));
    fs::remove(file);
  }
}

TEST_F(SettingsHiveTest, TheDataQueryStaysInsideTheBuffer) {
  hive_.WriteText(u"hotFolders", u"abcd");
  OpenKey key(hive(), platform::kKeyRead);
  ASSERT_EQ(key.status(), kErrorSuccess);
  for (std::uint32_t room : {8u, 12u}) {
    SCOPED_TRACE(room);
    std::uint8_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 0xAB);
    std::uint32_t bytes = room;
    EXPECT_EQ(hive().QueryData(key.get(), u"hotFolders", buffer, &bytes), kErrorSuccess);
    EXPECT_EQ(bytes, 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 8), Bytes(u"abcd"));
    EXPECT_TRUE(std::all_of(buffer + 8, std::end(buffer), [](std::uint8_t b) { return b == 0xAB; }));
  }
}

// Whatever a killed writer left under the temporary name, the next write
// replaces it without writing through it, and leaves nothing behind.
TEST_F(SettingsHiveTest, AWriteClearsWhatAKilledWriterLeft) {
  struct Case {
    const char *name;
    std::function<void(const fs::path &temporary, const fs::path &outside)> make;
  };
  const std::vector<Case> cases = {
      {"half-written file", [](const fs::path &t, const fs::path &) { WriteBytes(t, std::string("\7\0\0\0C\0:", 7)); }},
      {"symlink to another file", [](const fs::path &t, const fs::path &o) { fs::create_symlink(o, t); }},
      {"hard link to another file", [](const fs::path &t, const fs::path &o) { fs::create_hard_link(o, t); }},
      {"dangling symlink",
       [](const fs::path &t, const fs::path &o) {
         fs::remove(o);
         fs::create_symlink(o, t);
       }},
      {"FIFO", [](const fs::path &t, const fs::path &) { MakeFifo(t); }},
  };
  const fs::path outside = fs::path(hive_.Root()).parent_path() / "outside";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    hive_.WriteText(u"hotFolders", u"C:\\old,1|");
    WriteBytes(outside, "keep me");
    c.make(KeyDir() / "hotFolders.value.tmp", outside);
    const auto statuses = StatusesInChild([] {
      auto &store = platform::SystemSettings();
      KeyHandle key = nullptr;
      if (store.OpenKey(platform::kKeyAllAccess, &key) != kErrorSuccess) return std::vector<Status>{-1};
      const auto data = Bytes(u"C:\\new,2|");
      const Status set = store.SetValue(key, u"hotFolders", 7, data.data(), static_cast<std::uint32_t>(data.size()));
      store.CloseKey(key);
      return std::vector<Status>{set};
    });
    ASSERT_TRUE(statuses.has_value()) << "the write blocked or crashed";
    EXPECT_EQ(*statuses, std::vector<Status>{kErrorSuccess});
    EXPECT_EQ(hive_.ReadText(u"hotFolders"), u"C:\\new,2|");
    EXPECT_EQ(KeyDirEntries(), std::vector<std::string>{"hotFolders.value"});
    if (std::string(c.name) == "dangling symlink") {
      EXPECT_FALSE(fs::exists(outside)) << "the write created the symlink's target";
    } else {
      std::ifstream in(outside, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "keep me");
    }
  }
}

// Under a file size limit, a write too long for it fails as a full disk does:
// the process lives on (SIGXFSZ left at its default would end it), the old
// value stays, and no temporary file is left.
TEST_F(SettingsHiveTest, AFileSizeLimitIsAFullDisk) {
  hive_.WriteText(u"hotFolders", u"C:\\old,1|");
  const auto statuses = StatusesInChild([] {
    std::signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{1024, 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::vector<Status>{-1};
    auto &store = platform::SystemSettings();
    KeyHandle key = nullptr;
    if (store.OpenKey(platform::kKeyAllAccess, &key) != kErrorSuccess) return std::vector<Status>{-2};
    const std::vector<std::uint8_t> tooLong(4096, 'x');
    const std::vector<std::uint8_t> fits(1020, 'y');
    const Status refused = store.SetValue(key, u"big", 7, tooLong.data(), 4096);
    const Status written = store.SetValue(key, u"small", 7, fits.data(), 1020);
    store.CloseKey(key);
    return std::vector<Status>{refused, written};
  });
  ASSERT_TRUE(statuses.has_value()) << "the write ended the process";
  EXPECT_EQ(*statuses, (std::vector<Status>{platform::kErrorDiskFull, kErrorSuccess}));
  auto names = KeyDirEntries();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"hotFolders.value", "small.value"}));
}

}  // namespace
}  // namespace hf
