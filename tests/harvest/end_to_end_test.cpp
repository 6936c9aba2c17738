// A rebuild through the real module loading and the reference engine built
// beside the tests (<build>/Kernel/Morvex.dll), reading logs written here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "hotFolders.h"
#include "platform/clock.h"
#include "platform/settings_store.h"

namespace hf::test {
namespace {

std::string DateText(const Timestamp &t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u 10:00:00.000", unsigned(t.year), unsigned(t.month),
                unsigned(t.day));
  return text;
}

void WriteLog(const std::string &file, const std::string &date,
              const std::vector<std::pair<std::string, int>> &folders) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << "# written by the end-to-end test\n";
  int number = 0;
  for (const auto &folder : folders)
    for (int i = 0; i < folder.second; ++i)
      out << date << '\t' << ++number << '\t' << folder.first << "file" << i << ".exe\tfound\n";
}

TEST(EndToEndTest, RebuildsFromTheReferenceEngine) {
  const char *history = std::getenv("MORVEX_HISTORY_DIR");
  const char *build = std::getenv("HOTFOLDERS_BUILD_DIR");
  if (history == nullptr || build == nullptr) GTEST_SKIP() << "run through ctest";
  if (!std::ifstream(std::string(build) + "/Kernel/Morvex.dll")) GTEST_SKIP() << "no reference engine built";

  Timestamp today{};
  ASSERT_TRUE(platform::SystemClock().LocalToday(&today));
  const std::string date = DateText(today);
  WriteLog(std::string(history) + "/first.log", date,
           {{"C:\\Users\\Ann\\Downloads\\", 5}, {"D:\\Mail\\store.zip->", 2}, {"E:\\Old\\", 1}});
  WriteLog(std::string(history) + "/second.log", date,
           {{"c:\\users\\ann\\downloads\\", 1}, {"D:\\Mail\\", 4}, {"F:\\Excluded\\", 9}});

  fakes::MemorySettings settings;
  settings.SetText(u"hotFolders", u"old\\,1|");
  settings.SetText(u"deletepath", u"F:\\Excluded\\,3|");
  int result = 0;
  {
    fakes::ScopedSettings installed(settings);
    result = UpdatePath();
  }

  EXPECT_EQ(result, 1);
  // Merged: Downloads 5, D:\Mail\ 6, E:\Old\ 1, downloads 1 (the other spelling);
  // E:\Old\ stands before it among the ties.
  EXPECT_EQ(settings.Text(u"hotFolders"), u"D:\\Mail\\,6|C:\\Users\\Ann\\Downloads\\,5|E:\\Old\\,1|");
}

}  // namespace
}  // namespace hf::test
