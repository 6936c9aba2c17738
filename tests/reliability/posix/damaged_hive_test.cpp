// Value files of the Linux settings hive that are truncated, garbage, 64 MB
// long, a directory or unreadable: each call gives its documented result,
// nothing crashes, and no other file of the key changes.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>
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
constexpr std::size_t kLarge = 64u << 20;

std::vector<std::uint8_t> Header() { return {7, 0, 0, 0}; }

// A value file holding exactly these bytes, header included.
void WriteFile(const fs::path &file, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Truncated() { return {7, 0}; }

std::vector<std::uint8_t> Garbage() {
  std::vector<std::uint8_t> bytes = Header();
  std::uint32_t seed = 12345;
  for (int i = 0; i < 4096; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes.push_back(static_cast<std::uint8_t>((seed >> 16) | 0x01));  // never a NUL unit
  }
  return bytes;
}

// One entry whose path fills 64 MB: "C:\" and 'x' up to the size, then ",7|".
std::vector<std::uint8_t> Huge() {
  std::vector<std::uint8_t> bytes = Header();
  bytes.reserve(kLarge + 4);
  const std::u16string head = u"C:\\";
  const std::u16string tail = u",7|";
  for (char16_t unit : head) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit), 0});
  while (bytes.size() < 4 + kLarge - 2 * tail.size()) bytes.insert(bytes.end(), {'x', 0});
  for (char16_t unit : tail) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit), 0});
  return bytes;
}

class DamagedHiveTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }

  fs::path KeyDir() const { return fs::path(hive_.Root()) / "Software" / "Quorvane"; }
  fs::path FileOf(const std::u16string &name) const {
    return KeyDir() / (std::string(name.begin(), name.end()) + ".value");
  }

  // Every file of the key but the lock, with its bytes.
  std::map<std::string, std::vector<std::uint8_t>> Snapshot() const {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto &entry : fs::directory_iterator(KeyDir())) {
      const std::string name = entry.path().filename().string();
      if (name == ".lock") continue;
      if (entry.is_directory()) {
        files[name] = {'d', 'i', 'r'};
        continue;
      }
      std::ifstream in(entry.path(), std::ios::binary);
      files[name] = std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return files;
  }

  // The key's files after the call, with the damaged file's entry taken out of both.
  void ExpectOthersUnchanged(std::map<std::string, std::vector<std::uint8_t>> before,
                             const std::u16string &damaged) const {
    auto after = Snapshot();
    const std::string name = std::string(damaged.begin(), damaged.end()) + ".value";
    before.erase(name);
    after.erase(name);
    EXPECT_EQ(after, before) << "another file of the key changed, or a stray file was left";
  }

  TestHive hive_;
};

struct Damage {
  const char *name;
  std::function<void(const fs::path &)> make;
};

const std::vector<Damage> &Damages() {
  static const std::vector<Damage> damages = {
      {"truncated", [](const fs::path &f) { WriteFile(f, Truncated()); }},
      {"garbage", [](const fs::path &f) { WriteFile(f, Garbage()); }},
      {"64 MB", [](const fs::path &f) { WriteFile(f, Huge()); }},
      {"a directory", [](const fs::path &f) { fs::create_directory(f); }},
  };
  return damages;
}

TEST_F(DamagedHiveTest, DamagedStoredList) {
  struct Expected {
    std::int32_t count;   // GetPathCount
    bool keptByDelete;    // DeletePath of another folder leaves the file as it was
    int deleteResult;     // 0 when the list cannot be written back
  };
  // A list that exists but cannot be read (too short for its type, larger
  // than a stored list may be, not a file) is never written over.
  const std::map<std::string, Expected> expected = {{"truncated", {0, true, 0}},
                                                    {"garbage", {0, false, 1}},
                                                    {"64 MB", {0, true, 0}},
                                                    {"a directory", {0, true, 0}}};
  for (const Damage &damage : Damages()) {
    SCOPED_TRACE(damage.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    hive_.WriteText(kExcluded, u"C:\\x,1|");
    damage.make(FileOf(kStored));
    const auto before = Snapshot();
    const Expected &e = expected.at(damage.name);

    EXPECT_EQ(GetPathCount(), e.count);
    HF_UTF16 buffer[260] = {0x2A};
    std::int32_t hits = -1;
    EXPECT_EQ(GetLogPath(0, buffer, 260, &hits), 0);  // nothing fits, or nothing is there
    EXPECT_EQ(buffer[0], 0x2A);
    EXPECT_EQ(UpdatePath(), 1);  // no logs: nothing is written
    EXPECT_EQ(Snapshot(), before);

    // A folder that is not listed: the readable entries are written back.
    EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), e.deleteResult);
    if (e.keptByDelete) {
      EXPECT_EQ(Snapshot(), before);
    } else {
      EXPECT_EQ(hive_.ReadText(kStored), std::u16string());
      ExpectOthersUnchanged(before, kStored);
    }
  }
}

TEST_F(DamagedHiveTest, DamagedExclusions) {
  // Which damage still reads as a list of exclusions.
  const std::map<std::string, bool> readable = {
      {"truncated", false}, {"garbage", false}, {"64 MB", false}, {"a directory", false}};
  for (const Damage &damage : Damages()) {
    SCOPED_TRACE(damage.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
    damage.make(FileOf(kExcluded));
    const auto before = Snapshot();

    EXPECT_EQ(GetPathCount(), 2);
    // Exclusions that cannot be read stop the rebuild before anything is written.
    EXPECT_EQ(UpdatePath(), readable.at(damage.name) ? 1 : 0);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(DamagedHiveTest, DeletePathKeepsTheFolderWhenItsRemovalCannotBeRecorded) {
  for (const char *name : {"truncated", "a directory"}) {
    SCOPED_TRACE(name);
    hive_.RemoveKey();
    hive_.CreateKey();
    hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
    for (const Damage &damage : Damages())
      if (std::string(damage.name) == name) damage.make(FileOf(kExcluded));
    const auto before = Snapshot();
    EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 0);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(DamagedHiveTest, GarbageExclusionsGetTheRemovalInFront) {
  const std::vector<std::uint8_t> garbage = Garbage();
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
  WriteFile(FileOf(kExcluded), garbage);
  EXPECT_EQ(DeletePath(Native(u"C:\\a").data()), 1);
  EXPECT_EQ(hive_.ReadText(kStored), std::u16string(u"C:\\b,3|"));
  const auto raw = hive_.ReadRaw(kExcluded);
  ASSERT_TRUE(raw.has_value());
  std::vector<std::uint8_t> expected;
  for (char16_t unit : std::u16string(u"C:\\a,5|")) expected.insert(expected.end(), {static_cast<std::uint8_t>(unit), 0});
  expected.insert(expected.end(), garbage.begin() + 4, garbage.end());
  EXPECT_EQ(raw->bytes, expected);
}

// Runs check in a child process that cannot read files made unreadable (root
// reads everything, so as root the child becomes the user "nobody"). Returns
// the child's exit code, or -1 when it could not run.
int WithoutReadRights(const std::string &root, int (*check)()) {
  if (::geteuid() != 0) return check();
  for (const auto &entry : fs::recursive_directory_iterator(root))
    if (::chown(entry.path().c_str(), 65534, 65534) != 0) return -1;
  for (fs::path p = root; p.has_parent_path() && p != p.parent_path(); p = p.parent_path()) {
    if (::chown(p.c_str(), 65534, 65534) != 0) return -1;
    if (p.filename().string().rfind("hotfolders-hive-", 0) == 0) break;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
    ::_exit(check());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

TEST_F(DamagedHiveTest, UnreadableValues) {
  hive_.WriteText(kStored, u"C:\\a,5|C:\\b,3|");
  hive_.WriteText(kExcluded, u"C:\\x,1|");
  ::chmod(FileOf(kStored).c_str(), 0);
  ::chmod(FileOf(kExcluded).c_str(), 0);
  const auto before = Snapshot();
  const int result = WithoutReadRights(hive_.Root(), [] {
    int bits = 0;
    if (GetPathCount() == 0) bits |= 1;
    if (UpdatePath() == 0) bits |= 2;
    HF_UTF16 buffer[16] = {};
    std::int32_t hits = 0;
    if (GetLogPath(0, buffer, 16, &hits) == 0) bits |= 4;
    return bits;
  });
  ASSERT_NE(result, -1) << "could not run without read rights";
  EXPECT_EQ(result, 7);
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace hf::test
