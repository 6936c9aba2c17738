// The tool end to end over a scripted host and library: what it prints and
// which exit status it gives.
#include <gtest/gtest.h>

#include "app.h"
#include "cli_fakes.h"
#include "exit_codes.h"

namespace hf::cli {
namespace {

using test::FakeHost;

class CliTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::u16string> args) { return RunCli(args, host); }
  FakeHost host;
};

TEST_F(CliTest, MissingKeyNamesInitAndLoadsNothing) {
  host.key = KeyState::missing;
  for (const auto *command : {u"list", u"count", u"update"}) {
    host.err.clear();
    EXPECT_EQ(Run({command}), kExitKeyMissing);
    EXPECT_NE(host.err.find("does not exist; run `hotfolders init`"), std::string::npos) << host.err;
  }
  EXPECT_EQ(Run({u"delete", u"C:\\a"}), kExitKeyMissing);
  EXPECT_EQ(host.opens, 0);
  EXPECT_TRUE(host.out.empty());
}

TEST_F(CliTest, UnreadableKeyIsReportedWithItsReason) {
  host.key = KeyState::unreachable;
  EXPECT_EQ(Run({u"list"}), kExitKeyUnreachable);
  EXPECT_NE(host.err.find("Permission denied"), std::string::npos) << host.err;
}

TEST_F(CliTest, InitCreatesTheKeyOnceAndReportsFailure) {
  host.key = KeyState::missing;
  EXPECT_EQ(Run({u"init"}), kExitOk);
  EXPECT_EQ(host.key, KeyState::present);
  EXPECT_NE(host.out.find("Created"), std::string::npos);
  EXPECT_EQ(Run({u"init"}), kExitOk);
  EXPECT_NE(host.out.find("already exists"), std::string::npos);

  FakeHost readOnly;
  readOnly.key = KeyState::missing;
  readOnly.createSucceeds = false;
  EXPECT_EQ(RunCli({u"init"}, readOnly), kExitKeyUnreachable);
  EXPECT_NE(readOnly.err.find("Read-only file system"), std::string::npos) << readOnly.err;
  EXPECT_EQ(readOnly.opens, 0);
}

TEST_F(CliTest, UnloadableLibraryExitsThreeAndNamesTheOption) {
  host.loads = false;
  EXPECT_EQ(Run({u"--library", u"/nowhere.so", u"count"}), kExitNotLoaded);
  EXPECT_EQ(host.openedWith, std::u16string(u"/nowhere.so"));
  EXPECT_NE(host.err.find("/nowhere.so"), std::string::npos);
  EXPECT_NE(host.err.find("--library PATH"), std::string::npos);
}

TEST_F(CliTest, UsageErrorsExitTwoBeforeTouchingTheKey) {
  host.key = KeyState::missing;
  EXPECT_EQ(Run({u"get", u"zero"}), kExitUsage);
  EXPECT_EQ(Run({}), kExitUsage);
  EXPECT_EQ(host.opens, 0);
  EXPECT_TRUE(host.out.empty());
}

TEST_F(CliTest, HelpDocumentsCommandsAndExitStatuses) {
  host.key = KeyState::missing;
  EXPECT_EQ(Run({u"--help"}), kExitOk);
  for (const char *text : {"init", "list", "count", "get INDEX", "delete FOLDER", "update", "--json",
                           "--library PATH", "/opt/hf/lib/libhotFolders.so", "Exit status", "4  the settings key"}) {
    EXPECT_NE(host.out.find(text), std::string::npos) << text;
  }
}

TEST_F(CliTest, VersionComesFromTheBuild) {
  EXPECT_EQ(Run({u"--version"}), kExitOk);
  EXPECT_EQ(host.out, "hotfolders " EXPECTED_VERSION "\n");
}

TEST_F(CliTest, ListShowsEveryFolderInStoredOrder) {
  host.folders = {{u"C:\\b", 3}, {u"C:\\a", 5}};
  EXPECT_EQ(Run({u"list"}), kExitOk);
  EXPECT_EQ(host.out, "rank  hits  folder\n   1     3  C:\\b\n   2     5  C:\\a\n");
}

TEST_F(CliTest, ListGrowsTheBufferForLongPaths) {
  const std::u16string longPath = u"/" + std::u16string(5000, u'x');
  host.folders = {{longPath, 1}, {u"/short", 2}};
  EXPECT_EQ(Run({u"--json", u"list"}), kExitOk);
  EXPECT_NE(host.out.find(std::string(5000, 'x')), std::string::npos);
  EXPECT_NE(host.out.find("\"/short\""), std::string::npos);
}

TEST_F(CliTest, ListFailsWhenAPathNeverFits) {
  host.folders = {{u"/a", 1}};
  host.refuseEveryPath = true;
  EXPECT_EQ(Run({u"list"}), kExitLibraryFailed);
  EXPECT_NE(host.err.find("folder 1"), std::string::npos) << host.err;
  EXPECT_NE(host.err.find("hotfolders update"), std::string::npos) << host.err;
}

TEST_F(CliTest, EmptyListSaysHowToFillIt) {
  EXPECT_EQ(Run({u"list"}), kExitOk);
  EXPECT_NE(host.out.find("hotfolders update"), std::string::npos);
  host.out.clear();
  EXPECT_EQ(Run({u"list", u"--json"}), kExitOk);
  EXPECT_EQ(host.out, "{\"folders\": []}\n");
}

TEST_F(CliTest, CountAndGet) {
  host.folders = {{u"C:\\a", 5}, {u"C:\\b", 3}};
  EXPECT_EQ(Run({u"count"}), kExitOk);
  EXPECT_EQ(host.out, "2\n");
  host.out.clear();
  EXPECT_EQ(Run({u"get", u"2"}), kExitOk);
  EXPECT_EQ(host.out, "rank  hits  folder\n   2     3  C:\\b\n");
  host.out.clear();
  EXPECT_EQ(Run({u"get", u"1", u"--json"}), kExitOk);
  EXPECT_EQ(host.out, "{\"rank\": 1, \"hits\": 5, \"folder\": \"C:\\\\a\"}\n");
  EXPECT_EQ(Run({u"get", u"3"}), kExitLibraryFailed);
  EXPECT_NE(host.err.find("the list holds 2"), std::string::npos) << host.err;
}

TEST_F(CliTest, DeleteSaysWhetherTheFolderWasListed) {
  host.folders = {{u"C:\\a", 5}, {u"/m\U0001F600", 3}};
  EXPECT_EQ(Run({u"delete", u"/m\U0001F600"}), kExitOk);
  EXPECT_NE(host.out.find("Removed /m\xF0\x9F\x98\x80 from the list"), std::string::npos) << host.out;
  ASSERT_EQ(host.folders.size(), 1u);

  host.out.clear();
  EXPECT_EQ(Run({u"delete", u"C:\\A"}), kExitOk);
  EXPECT_NE(host.out.find("C:\\A was not in the list"), std::string::npos) << host.out;
  EXPECT_EQ(host.folders.size(), 1u);
}

TEST_F(CliTest, DeleteReportsALibraryFailure) {
  host.folders = {{u"C:\\a", 5}};
  host.deleteSucceeds = false;
  EXPECT_EQ(Run({u"delete", u"C:\\a"}), kExitLibraryFailed);
  EXPECT_NE(host.err.find("could not be opened for writing"), std::string::npos) << host.err;
  EXPECT_TRUE(host.out.empty());
}

TEST_F(CliTest, UpdatePrintsTheNewListAndTheTime) {
  host.rebuilt = {{u"/new", 9}};
  EXPECT_EQ(Run({u"update"}), kExitOk);
  EXPECT_EQ(host.out.rfind("Rebuilt the list in ", 0), 0u) << host.out;
  EXPECT_NE(host.out.find("   1     9  /new\n"), std::string::npos) << host.out;

  host.out.clear();
  EXPECT_EQ(Run({u"update", u"--json"}), kExitOk);
  EXPECT_EQ(host.out.rfind("{\"seconds\": ", 0), 0u) << host.out;
  EXPECT_NE(host.out.find("\"folder\": \"/new\""), std::string::npos) << host.out;
}

TEST_F(CliTest, UpdateFailureNamesInit) {
  host.updateSucceeds = false;
  EXPECT_EQ(Run({u"update"}), kExitLibraryFailed);
  EXPECT_NE(host.err.find("hotfolders init"), std::string::npos) << host.err;
}

}  // namespace
}  // namespace hf::cli
