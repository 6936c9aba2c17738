// Replays the fuzz checks on the seed corpus and on every saved input that
// once broke an invariant, so each build (Windows under Wine included) holds
// the invariants the fuzzers watch. HOTFOLDERS_FUZZ_REPLAY may name one more
// directory with a <target>/ folder per target (a corpus grown by libFuzzer)
// to replay in the same way, for instance under ThreadSanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "checks.h"

namespace {

namespace fs = std::filesystem;

using Check = const char *(*)(const std::uint8_t *data, std::size_t size);

struct Target {
  const char *name;
  Check check;
};

const Target kTargets[] = {
    {"fuzz_list_parse", &hf::fuzz::CheckListParse},
    {"fuzz_exported_calls", &hf::fuzz::CheckExportedCalls},
    {"fuzz_record_tally", &hf::fuzz::CheckRecordTally},
};

std::vector<std::uint8_t> ReadAll(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the target's check on every file of root/<target>; returns how many there were.
std::size_t Replay(const Target &target, const fs::path &root) {
  const fs::path dir = root / target.name;
  std::error_code error;
  if (!fs::is_directory(dir, error)) return 0;
  std::size_t files = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::vector<std::uint8_t> data = ReadAll(entry.path());
    const char *broken = target.check(data.data(), data.size());
    EXPECT_TRUE(broken == nullptr) << entry.path().string() << ": " << (broken != nullptr ? broken : "");
    ++files;
  }
  return files;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

const fs::path kFuzzDir(HOTFOLDERS_FUZZ_DIR);

TEST_P(FuzzReplay, SeedCorpusKeepsEveryInvariant) {
  EXPECT_NE(Replay(GetParam(), kFuzzDir / "corpus"), 0u) << "no seed corpus under " << HOTFOLDERS_FUZZ_DIR;
}

TEST_P(FuzzReplay, SavedRegressionsKeepEveryInvariant) { Replay(GetParam(), kFuzzDir / "regressions"); }

TEST_P(FuzzReplay, ExtraCorpusKeepsEveryInvariant) {
  const char *extra = std::getenv("HOTFOLDERS_FUZZ_REPLAY");
  if (extra == nullptr || *extra == '\0') GTEST_SKIP() << "HOTFOLDERS_FUZZ_REPLAY not set";
  Replay(GetParam(), fs::path(extra));
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target> &info) { return std::string(info.param.name); });

}  // namespace
