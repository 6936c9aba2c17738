// Eight processes deleting from one stored list at the same time: with the
// user's lock around each call's reads and writes, no removal is lost.
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "store/folder_list.h"
#include "store/list_format.h"
#include "support/test_hive.h"

namespace hf::test {
namespace {

constexpr int kProcesses = 8;
constexpr int kFoldersEach = 50;

std::string Folder(int i) { return "C:\\Stress\\Folder" + std::to_string(i) + "\\"; }

// The name of a gate file that does not exist yet; removed again at the end.
class GateFile {
 public:
  GateFile() : name_("delete-workers-" + std::to_string(++serial_) + ".gate") { std::remove(name_.c_str()); }
  ~GateFile() { std::remove(name_.c_str()); }
  const std::string &name() const { return name_; }

 private:
  static int serial_;
  std::string name_;
};
int GateFile::serial_ = 0;

TEST(ManyProcessesTest, ConcurrentDeletionsAreAllRecorded) {
  TestHive hive;
  hive.CreateKey();
  std::u16string stored;
  for (int i = 0; i < kProcesses * kFoldersEach; ++i) {
    const std::string folder = Folder(i);
    AppendFormattedEntry(stored, std::u16string(folder.begin(), folder.end()), i + 1);
  }
  hive.WriteText(u"hotFolders", stored);

  const GateFile gate;
  std::vector<std::vector<std::string>> commands;
  for (int p = 0; p < kProcesses; ++p) {
    std::vector<std::string> command{"delete_worker", gate.name()};
    // Each worker takes every 8th folder, so all of them work on the whole list.
    for (int k = 0; k < kFoldersEach; ++k) command.push_back(Folder(k * kProcesses + p));
    commands.push_back(command);
  }
  // The gate opens once every worker has started, so that they delete together.
  const std::vector<int> codes =
      RunAllAtOnce(commands, [&] { std::ofstream(gate.name()) << "go\n"; });
  EXPECT_EQ(codes, std::vector<int>(kProcesses, 0));

  const auto storedAfter = hive.ReadText(u"hotFolders");
  ASSERT_TRUE(storedAfter.has_value());
  FolderList left;
  (void)ParseListText(*storedAfter, left);
  EXPECT_EQ(left.Count(), 0u) << "folders still listed";
  const auto excluded = hive.ReadText(u"deletepath");
  ASSERT_TRUE(excluded.has_value());
  FolderList list;
  ASSERT_EQ(ParseListText(*excluded, list), 1);
  std::map<std::u16string, int> times;
  for (const FolderEntry &entry : list) ++times[entry.path];
  EXPECT_EQ(list.Count(), static_cast<std::size_t>(kProcesses * kFoldersEach));
  std::string missing, repeated;
  for (int i = 0; i < kProcesses * kFoldersEach; ++i) {
    const std::string folder = Folder(i);
    const int n = times[std::u16string(folder.begin(), folder.end())];
    if (n == 0) missing += " " + std::to_string(i);
    if (n > 1) repeated += " " + std::to_string(i);
  }
  EXPECT_EQ(missing, "") << "removals lost";
  EXPECT_EQ(repeated, "") << "removals recorded twice";
}

}  // namespace
}  // namespace hf::test
