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
                           "--library PATH", "/opt/hf/lib/libhotFolders.so", "Exit status", "4  the settings key",
                           "5  the settings key", "6  the change could not be stored"}) {
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

// A delete the library refused is explained by what the key shows afterwards;
// only a key the user may not write to is blamed on the rights.
TEST_F(CliTest, DeleteFailureSaysWhatHappened) {
  struct Case {
    const char *name;
    bool diskFull;           // the key's disk has no room left
    bool turnsReadOnly;      // the key is read-only by the time the delete fails
    int exit;
    const char *says;
    const char *neverSays;
  };
  const Case cases[] = {
      {"write failed on a writable key", false, false, kExitNotStored, "the disk may be full",
       "check that the current user may write"},
      {"disk full", true, false, kExitNotStored, "the disk that holds the settings key "
       "/cfg/hkcu/Software/Quorvane is full", "may write"},
      {"key turned read-only", false, true, kExitKeyUnreachable, "could not be opened for writing",
       "disk"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost failing;
    failing.folders = {{u"C:\\a", 5}};
    failing.deleteSucceeds = false;
    failing.diskFull = c.diskFull;
    if (c.turnsReadOnly) failing.onFailedDelete = [&failing] { failing.writable = false; };
    EXPECT_EQ(RunCli({u"delete", u"C:\\a"}, failing), c.exit);
    EXPECT_NE(failing.err.find(c.says), std::string::npos) << failing.err;
    EXPECT_EQ(failing.err.find(c.neverSays), std::string::npos) << failing.err;
    EXPECT_TRUE(failing.out.empty()) << failing.out;
    EXPECT_EQ(failing.folders.size(), 1u);
  }
}

// Commands that write stop at a read-only key before the library is loaded,
// so nothing claims a change that was never made.
TEST_F(CliTest, ReadOnlyKeyStopsCommandsThatWrite) {
  struct Case {
    std::vector<std::u16string> args;
    const char *names;
  };
  const Case cases[] = {
      {{u"update"}, "`hotfolders update` must write to it"},
      {{u"update", u"--json"}, "`hotfolders update` must write to it"},
      {{u"delete", u"C:\\a"}, "`hotfolders delete` must write to it"},
  };
  for (const Case &c : cases) {
    FakeHost readOnly;
    readOnly.writable = false;
    readOnly.folders = {{u"C:\\a", 5}};
    readOnly.rebuilt = {{u"/new", 9}};
    EXPECT_EQ(RunCli(c.args, readOnly), kExitKeyUnreachable) << c.names;
    EXPECT_NE(readOnly.err.find("is read-only for the current user (Permission denied)"), std::string::npos)
        << readOnly.err;
    EXPECT_NE(readOnly.err.find(c.names), std::string::npos) << readOnly.err;
    EXPECT_TRUE(readOnly.out.empty()) << readOnly.out;
    EXPECT_EQ(readOnly.opens, 0);
    EXPECT_EQ(readOnly.folders.size(), 1u);
  }
  // Reading needs no write access.
  FakeHost readOnly;
  readOnly.writable = false;
  readOnly.folders = {{u"C:\\a", 5}};
  EXPECT_EQ(RunCli({u"list"}, readOnly), kExitOk);
  EXPECT_EQ(RunCli({u"count"}, readOnly), kExitOk);
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

TEST_F(CliTest, UpdateFailureOnAFullDiskSaysSo) {
  host.updateSucceeds = false;
  host.diskFull = true;
  EXPECT_EQ(Run({u"update"}), kExitNotStored);
  EXPECT_NE(host.err.find("is full; free some space"), std::string::npos) << host.err;
  EXPECT_EQ(host.out.find("Rebuilt"), std::string::npos) << host.out;
}

// A key that exists but that the user may not use is not "already there".
TEST_F(CliTest, InitReportsAKeyTheUserCannotUse) {
  struct Case {
    const char *name;
    KeyState before;
    bool writable;
    const char *says;
  };
  const Case cases[] = {
      {"read-only key", KeyState::present, false, "may not write to it (Permission denied)"},
      {"created but unusable", KeyState::missing, false, "may not write to it (Permission denied)"},
      {"unreadable key", KeyState::unreachable, true, "may not read it (Permission denied)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost unusable;
    unusable.key = c.before;
    unusable.writable = c.writable;
    EXPECT_EQ(RunCli({u"init"}, unusable), kExitKeyUnreachable);
    EXPECT_NE(unusable.err.find(c.says), std::string::npos) << unusable.err;
    EXPECT_EQ(unusable.out.find("already exists"), std::string::npos) << unusable.out;
    EXPECT_EQ(unusable.out.find("Created"), std::string::npos) << unusable.out;
  }
}

TEST_F(CliTest, EntriesOverAMillionCharactersAreRead) {
  const std::u16string huge = u"/" + std::u16string(1500000, u'x');
  host.folders = {{u"/a", 3}, {huge, 2}, {u"/b", 1}};
  EXPECT_EQ(Run({u"list"}), kExitOk);
  EXPECT_NE(host.out.find("   3     1  /b\n"), std::string::npos);
  EXPECT_NE(host.out.find(std::string(1500000, 'x')), std::string::npos);
  EXPECT_TRUE(host.err.empty()) << host.err;

  host.out.clear();
  EXPECT_EQ(Run({u"delete", u"/b"}), kExitOk);
  EXPECT_NE(host.out.find("Removed /b from the list"), std::string::npos) << host.out;
  EXPECT_EQ(host.folders.size(), 2u);
}

// An entry the library never delivers is left out; the others keep their ranks.
TEST_F(CliTest, AnUndeliverableEntryDoesNotHideTheOthers) {
  host.folders = {{u"/a", 3}, {u"/lost", 2}, {u"/b", 1}};
  host.refusedIndex = 1;
  EXPECT_EQ(Run({u"list"}), kExitLibraryFailed);
  EXPECT_EQ(host.out, "rank  hits  folder\n   1     3  /a\n   3     1  /b\n");
  EXPECT_NE(host.err.find("folder 2 of the stored list"), std::string::npos) << host.err;

  host.out.clear();
  EXPECT_EQ(Run({u"list", u"--json"}), kExitLibraryFailed);
  EXPECT_EQ(host.out,
            "{\"folders\": [\n"
            "  {\"rank\": 1, \"hits\": 3, \"folder\": \"/a\"},\n"
            "  {\"rank\": 3, \"hits\": 1, \"folder\": \"/b\"}\n"
            "]}\n");

  host.out.clear();
  EXPECT_EQ(Run({u"delete", u"/b"}), kExitOk);
  EXPECT_NE(host.out.find("Removed /b from the list"), std::string::npos) << host.out;
}

}  // namespace
}  // namespace hf::cli
