// The loaders and writers of the two stored lists and the exclusion test
// against the real settings hive of the platform; the long-way writers of the
// reference model beside them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "store/exclusion_set.h"
#include "store/list_format.h"
#include "store/stored_lists.h"
#include "store_test_util.h"
#include "support/reference_model.h"
#include "support/test_hive.h"

namespace hf {
namespace {

using test::Bytes;
using test::Narrow;

constexpr char16_t kStored[] = u"hotFolders";
constexpr char16_t kExcluded[] = u"deletepath";
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;

class FolderStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { hive_.CreateKey(); }

  test::TestHive hive_;
};

// A value as the test leaves it before the call: missing, or type and bytes.
struct Stored {
  bool present;
  std::uint32_t type;
  std::vector<std::uint8_t> bytes;
};

Stored Missing() { return {false, 0, {}}; }
Stored Text(const std::u16string &text, std::uint32_t type = platform::kRegMultiSz) {
  return {true, type, Bytes(text)};
}
Stored Raw(std::vector<std::uint8_t> bytes) { return {true, platform::kRegMultiSz, std::move(bytes)}; }

std::vector<std::uint8_t> With(std::vector<std::uint8_t> bytes, std::vector<std::uint8_t> tail) {
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

struct LoadCase {
  const char *name;
  Stored value;
  int result;
  std::vector<FolderEntry> entries;
};

const std::vector<LoadCase> &LoadCases() {
  static const std::vector<LoadCase> cases = {
      {"missing", Missing(), 1, {}},
      {"zero bytes", Raw({}), 0, {}},
      {"one NUL", Raw({0, 0}), 1, {}},
      {"two entries", Text(u"C:\\Data,5|D:\\Temp,2|"), 1, {{u"C:\\Data", 5}, {u"D:\\Temp", 2}}},
      {"no final bar", Text(u"C:\\Data,5|D:\\Temp,2"), 0, {{u"C:\\Data", 5}}},
      {"double bar", Text(u"C:\\Data,5||D:\\Temp,2|"), 0, {{u"C:\\Data", 5}}},
      {"leading bar", Text(u"|C:\\Data,5|"), 0, {}},
      {"NUL after the last bar", Raw(With(Bytes(u"C:\\Data,5|"), Bytes(u"\0junk"))), 1,
       {{u"C:\\Data", 5}}},
      {"odd byte count", Raw(With(Bytes(u"C:\\Data,5|"), {'x'})), 1, {{u"C:\\Data", 5}}},
      {"a single byte", Raw({'x'}), 1, {}},
      {"REG_SZ", Text(u"C:\\Data,5|", kRegSz), 1, {{u"C:\\Data", 5}}},
      {"REG_BINARY", Text(u"C:\\Data,5|", kRegBinary), 1, {{u"C:\\Data", 5}}},
      {"non-ASCII path", Text(u"C:\\D\u00e4t\u00e9n\\\U0001F600,3|"), 1,
       {{u"C:\\D\u00e4t\u00e9n\\\U0001F600", 3}}},
  };
  return cases;
}

TEST_F(FolderStoreTest, LoadersParseTheValueTheyRead) {
  struct Loader {
    const char16_t *value;
    LoadedList (*load)();
  };
  const Loader loaders[] = {{kStored, &LoadRanked}, {kExcluded, &LoadExcluded}};
  for (const Loader &loader : loaders) {
    for (const LoadCase &c : LoadCases()) {
      SCOPED_TRACE(Narrow(loader.value) + ": " + c.name);
      hive_.RemoveKey();
      hive_.CreateKey();
      if (c.value.present) hive_.WriteRaw(loader.value, c.value.type, c.value.bytes);
      const LoadedList loaded = loader.load();
      EXPECT_EQ(LoaderResult(loaded.outcome), c.result);
      EXPECT_TRUE(Entries(loaded.entries) == c.entries);
      EXPECT_EQ(hive_.ReadRaw(loader.value).has_value(), c.value.present);
    }
  }
}

TEST_F(FolderStoreTest, MissingKeyFailsEverythingAndCreatesNothing) {
  hive_.RemoveKey();
  const LoadedList ranked = LoadRanked();
  EXPECT_EQ(LoaderResult(ranked.outcome), 0);
  EXPECT_EQ(ranked.outcome, LoadOutcome::kNoKey);
  EXPECT_TRUE(ranked.entries.Empty());
  EXPECT_EQ(LoadExcluded().outcome, LoadOutcome::kNoKey);
  EXPECT_EQ(ReplaceRanked(ListOf({{u"a", 1}})), WriteOutcome::kNoKey);
  EXPECT_EQ(PrependExcluded({u"a", 1}), WriteOutcome::kNoKey);
  EXPECT_EQ(ReplaceRanked(FolderList()), WriteOutcome::kNoKey);
  EXPECT_EQ(model::AppendStoredText(u"a,1|"), 0);
  EXPECT_EQ(model::AppendExcludedText(u"a,1|"), 0);
  EXPECT_EQ(model::ResetStoredValue(), 0);
  EXPECT_FALSE(hive_.KeyExists());
}

TEST_F(FolderStoreTest, EmptyTextIsAddedWithoutOpeningTheKey) {
  hive_.RemoveKey();
  EXPECT_EQ(model::AppendStoredText(u""), 1);
  EXPECT_EQ(model::AppendExcludedText(u""), 1);
  EXPECT_FALSE(hive_.KeyExists());
}

struct AppendCase {
  const char *name;
  std::optional<std::u16string> before;  // nullopt: the value is missing
  std::vector<std::u16string> texts;     // one append call each
  int result;                            // of the last call
  std::optional<std::u16string> after;
};

TEST_F(FolderStoreTest, AppendStoredTextGrowsTheEndOfAnExistingValue) {
  const AppendCase cases[] = {
      {"missing stays missing", std::nullopt, {u"A,1|"}, 0, std::nullopt},
      {"zero bytes", u"", {u"A,1|"}, 1, u"A,1|"},
      {"existing text", u"A,1|", {u"B,2|"}, 1, u"A,1|B,2|"},
      {"three calls in order", u"", {u"A,3|", u"B,2|", u"C,1|"}, 1, u"A,3|B,2|C,1|"},
      {"empty text leaves it", u"A,1|", {u""}, 1, u"A,1|"},
  };
  for (const AppendCase &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    if (c.before) hive_.WriteText(kStored, *c.before);
    int result = -1;
    for (const std::u16string &text : c.texts) result = model::AppendStoredText(text);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(hive_.ReadText(kStored), c.after);
  }
}

TEST_F(FolderStoreTest, PrependExcludedPutsTheNewestEntryFirst) {
  struct Case {
    const char *name;
    std::optional<std::u16string> before;  // nullopt: the value is missing
    std::vector<FolderEntry> entries;      // one call each
    std::optional<std::u16string> after;
  };
  const Case cases[] = {
      {"missing is created", std::nullopt, {{u"A", 1}}, u"A,1|"},
      {"two calls", std::nullopt, {{u"A", 1}, {u"B", 2}}, u"B,2|A,1|"},
      {"zero bytes", u"", {{u"A", 1}}, u"A,1|"},
      {"existing text", u"X,9|", {{u"A", 1}}, u"A,1|X,9|"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    hive_.RemoveKey();
    hive_.CreateKey();
    if (c.before) hive_.WriteText(kExcluded, *c.before);
    for (const FolderEntry &entry : c.entries) EXPECT_EQ(PrependExcluded(entry), WriteOutcome::kWritten);
    EXPECT_EQ(hive_.ReadText(kExcluded), c.after);
    // The long way of the reference model gives the same value.
    hive_.RemoveKey();
    hive_.CreateKey();
    if (c.before) hive_.WriteText(kExcluded, *c.before);
    for (const FolderEntry &entry : c.entries)
      EXPECT_EQ(model::AppendExcludedText(FormatEntry(entry.path, entry.hits)), 1);
    EXPECT_EQ(hive_.ReadText(kExcluded), c.after);
  }
}

TEST_F(FolderStoreTest, ReplaceRankedWritesWhatResetAndAppendsWould) {
  const std::vector<std::optional<std::u16string>> befores = {std::nullopt, u"", u"X,9|Y,8|"};
  const std::vector<std::vector<FolderEntry>> lists = {
      {}, {{u"C:\\Data\\", 5}}, {{u"A", 3}, {u"B", -2}, {u"", 0}}, {{u"C:\\D\u00e4t\u00e9n\\", 7}}};
  for (const auto &before : befores) {
    for (const auto &entries : lists) {
      SCOPED_TRACE(before ? Narrow(*before) : "missing");
      hive_.RemoveKey();
      hive_.CreateKey();
      if (before) hive_.WriteText(kStored, *before);
      EXPECT_EQ(model::ResetStoredValue(), 1);
      for (const FolderEntry &entry : entries)
        EXPECT_EQ(model::AppendStoredText(FormatEntry(entry.path, entry.hits)), 1);
      const auto expected = hive_.ReadRaw(kStored);

      hive_.RemoveKey();
      hive_.CreateKey();
      if (before) hive_.WriteText(kStored, *before);
      EXPECT_EQ(ReplaceRanked(ListOf(entries)), WriteOutcome::kWritten);
      const auto raw = hive_.ReadRaw(kStored);
      ASSERT_TRUE(raw.has_value());
      ASSERT_TRUE(expected.has_value());
      EXPECT_EQ(raw->type, expected->type);
      EXPECT_EQ(raw->bytes, expected->bytes);
    }
  }
}

TEST_F(FolderStoreTest, WrittenValueIsTheBareTextAsMultiSz) {
  ASSERT_EQ(PrependExcluded({u"C:\\Data", 5}), WriteOutcome::kWritten);
  const auto raw = hive_.ReadRaw(kExcluded);
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->type, platform::kRegMultiSz);
  EXPECT_EQ(raw->bytes, Bytes(u"C:\\Data,5|"));
  EXPECT_EQ(raw->bytes.size(), 20u);
}

TEST_F(FolderStoreTest, AppendKeepsForeignTextBeforeTheNul) {
  hive_.WriteRaw(kStored, kRegSz, With(Bytes(u"A,1|"), {0, 0}));
  ASSERT_EQ(model::AppendStoredText(u"B,2|"), 1);
  const auto raw = hive_.ReadRaw(kStored);
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->type, platform::kRegMultiSz);
  EXPECT_EQ(raw->bytes, Bytes(u"A,1|B,2|"));

  hive_.WriteRaw(kExcluded, kRegSz, With(Bytes(u"A,1|"), {0, 0}));
  ASSERT_EQ(PrependExcluded({u"B", 2}), WriteOutcome::kWritten);
  const auto excluded = hive_.ReadRaw(kExcluded);
  ASSERT_TRUE(excluded.has_value());
  EXPECT_EQ(excluded->type, platform::kRegMultiSz);
  EXPECT_EQ(excluded->bytes, Bytes(u"B,2|A,1|"));
}

TEST_F(FolderStoreTest, ResetLeavesAnEmptyMultiSzValue) {
  for (const bool existed : {false, true}) {
    SCOPED_TRACE(existed ? "existing value" : "missing value");
    if (existed) hive_.WriteText(kStored, u"A,1|");
    EXPECT_EQ(ReplaceRanked(FolderList()), WriteOutcome::kWritten);
    const auto raw = hive_.ReadRaw(kStored);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, platform::kRegMultiSz);
    EXPECT_TRUE(raw->bytes.empty());
    // A value of no bytes does not load.
    EXPECT_EQ(LoaderResult(LoadRanked().outcome), 0);
  }
  EXPECT_FALSE(hive_.ReadRaw(kExcluded).has_value());
}

TEST_F(FolderStoreTest, ExclusionComparesWholePathsCaseSensitively) {
  hive_.WriteText(kExcluded, u"C:\\Data\\,4|");
  const LoadedList loaded = LoadExcluded();
  ASSERT_EQ(loaded.outcome, LoadOutcome::kParsed);
  const ExclusionSet excluded(loaded.entries);
  struct Case {
    const char16_t *path;
    int expected;
  };
  const Case cases[] = {
      {nullptr, 0}, {u"C:\\Data\\", 1}, {u"c:\\data\\", 0}, {u"C:\\Data", 0},
      {u"C:\\Data\\x", 0}, {u"", 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(model::IsExcluded(loaded.entries, c.path), c.expected) << (c.path ? Narrow(c.path) : "null");
    if (c.path != nullptr) {
      EXPECT_EQ(excluded.Contains(c.path), c.expected == 1) << Narrow(c.path);
    }
  }
  EXPECT_EQ(loaded.entries.Count(), 1u);
}

}  // namespace
}  // namespace hf
