// A log written by hotfolders-loggen, read back through the engine record for
// record and compared with the file parsed here on its own.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace engine_test {
namespace {

// Decodes well-formed UTF-8 (the generator writes nothing else).
std::u16string DecodeValidUtf8(const std::string &text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    std::uint32_t cp = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += static_cast<std::size_t>(length);
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// Day of the week by counting days from Thursday, 1 January 1970.
std::uint16_t WeekdayByCounting(int year, int month, int day) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  long days = 0;
  for (int y = 1970; y < year; ++y) days += (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 366 : 365;
  for (int m = 1; m < month; ++m)
    days += kDays[m - 1] + (m == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0) ? 1 : 0);
  days += day - 1;
  return static_cast<std::uint16_t>((4 + days) % 7);
}

std::vector<std::string> Split(const std::string &text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

std::vector<ReadRecord> ParseLogFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<ReadRecord> records;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto fields = Split(line, '\t');
    EXPECT_EQ(fields.size(), 4u) << line;
    if (fields.size() != 4) continue;
    int y, mo, d, h, mi, s, ms;
    EXPECT_EQ(std::sscanf(fields[0].c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d", &y, &mo, &d, &h, &mi, &s, &ms), 7);
    ReadRecord r;
    r.time = {static_cast<std::uint16_t>(y),  static_cast<std::uint16_t>(mo), WeekdayByCounting(y, mo, d),
              static_cast<std::uint16_t>(d),  static_cast<std::uint16_t>(h),  static_cast<std::uint16_t>(mi),
              static_cast<std::uint16_t>(s),  static_cast<std::uint16_t>(ms)};
    r.number = std::stoi(fields[1]);
    r.path = DecodeValidUtf8(fields[2]);
    r.secondText = DecodeValidUtf8(fields[3]);
    records.push_back(std::move(r));
  }
  return records;
}

// The folder of a path: the part before the first "->", cut after its last backslash.
std::u16string FolderOf(const std::u16string &path) {
  const std::u16string outer = path.substr(0, path.find(u"->"));
  const auto cut = outer.rfind(u'\\');
  return cut == std::u16string::npos ? std::u16string() : outer.substr(0, cut + 1);
}

std::u16string FoldAscii(std::u16string text) {
  for (auto &c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

struct TallyLine {
  std::u16string folder;
  long hits;
  bool operator==(const TallyLine &o) const { return folder == o.folder && hits == o.hits; }
};

// The tally of records dated in March 2026 or after 15 February 2026, most
// hits first, ties in first-seen order.
std::vector<TallyLine> TallyFor15March2026(const std::vector<ReadRecord> &records) {
  std::vector<TallyLine> lines;
  std::map<std::u16string, std::size_t> index;
  for (const auto &r : records) {
    const bool recent = r.time.year == 2026 && (r.time.month == 3 || (r.time.month == 2 && r.time.day > 15));
    if (!recent) continue;
    const std::u16string folder = FolderOf(r.path);
    const auto [it, added] = index.emplace(FoldAscii(folder), lines.size());
    if (added) lines.push_back({folder, 0});
    ++lines[it->second].hits;
  }
  std::stable_sort(lines.begin(), lines.end(), [](const TallyLine &a, const TallyLine &b) { return a.hits > b.hits; });
  return lines;
}

class GeneratedLogTest : public EngineTest {
 protected:
  void SetUp() override {
    const std::string dir = GetEnvironment("ENGINE_LOGGEN_DIR");
    if (dir.empty()) GTEST_SKIP() << "ENGINE_LOGGEN_DIR is not set (run through ctest)";
    generated_ = dir;
    EngineTest::SetUp();
    SetEnvironment("MORVEX_HISTORY_DIR", generated_.string());
  }
  std::filesystem::path generated_;
};

TEST_F(GeneratedLogTest, EngineReadsEveryRecordAsWritten) {
  for (bool first : {true, false}) {
    SCOPED_TRACE(first ? "first.log" : "second.log");
    const auto expected = ParseLogFile(generated_ / (first ? "first.log" : "second.log"));
    const auto read = ReadLog(first);
    ASSERT_EQ(expected.size(), 30000u);
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
      SCOPED_TRACE(i);
      ASSERT_EQ(read[i].path, expected[i].path);
      ASSERT_EQ(read[i].secondText, expected[i].secondText);
      ASSERT_EQ(read[i].number, expected[i].number);
      ASSERT_EQ(Fields(read[i].time), Fields(expected[i].time));
    }
  }
}

TEST_F(GeneratedLogTest, GeneratedPathsCoverTheHardCases) {
  const auto records = ReadLog(true);
  bool nested = false, surrogate = false, nonAscii = false, caseVariant = false;
  std::map<std::u16string, std::u16string> spellings;  // folded folder -> first spelling
  for (const auto &r : records) {
    const auto arrow = r.path.find(u"->");
    nested = nested || (arrow != std::u16string::npos && r.path.find(u"->", arrow + 2) != std::u16string::npos);
    for (char16_t c : r.path) {
      surrogate = surrogate || (c >= 0xD800 && c <= 0xDBFF);
      nonAscii = nonAscii || c >= 0x80;
    }
    const std::u16string folder = FolderOf(r.path);
    const auto [it, added] = spellings.emplace(FoldAscii(folder), folder);
    caseVariant = caseVariant || (!added && it->second != folder);
    // Dates lie within the 45 days up to 15 March 2026.
    const bool inRange = (r.time.year == 2026 && r.time.month == 3 && r.time.day <= 15) ||
                         (r.time.year == 2026 && r.time.month == 2) ||
                         (r.time.year == 2026 && r.time.month == 1 && r.time.day >= 30);
    ASSERT_TRUE(inRange) << r.time.year << "-" << r.time.month << "-" << r.time.day;
  }
  EXPECT_TRUE(nested);
  EXPECT_TRUE(surrogate);
  EXPECT_TRUE(nonAscii);
  EXPECT_TRUE(caseVariant);
}

TEST_F(GeneratedLogTest, ExpectedTallyMatchesTheRecords) {
  const std::filesystem::path file = generated_.string() + "-expected.txt";
  std::ifstream in(file, std::ios::binary);
  ASSERT_TRUE(in.good()) << file.string();
  std::map<std::string, std::vector<TallyLine>> printed;
  std::string line;
  while (std::getline(in, line)) {
    const auto fields = Split(line, '\t');
    ASSERT_EQ(fields.size(), 3u) << line;
    printed[fields[0]].push_back({DecodeValidUtf8(fields[2]), std::stol(fields[1])});
  }
  EXPECT_EQ(printed["first.log"], TallyFor15March2026(ReadLog(true)));
  EXPECT_EQ(printed["second.log"], TallyFor15March2026(ReadLog(false)));
  EXPECT_FALSE(printed["first.log"].empty());
}

}  // namespace
}  // namespace engine_test
