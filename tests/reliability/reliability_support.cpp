#include "reliability_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/clock.h"
#include "store/folder_list.h"
#include "store/list_format.h"

namespace hf::test {
namespace {

bool WriteLog(const std::string &file, const std::string &date,
              const std::vector<std::pair<std::string, int>> &folders) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  int number = 0;
  for (const auto &folder : folders)
    for (int i = 0; i < folder.second; ++i)
      out << date << '\t' << ++number << '\t' << folder.first << "file" << i << ".exe\tfound\n";
  return static_cast<bool>(out);
}

}  // namespace

std::vector<HF_UTF16> Native(const std::u16string &text) {
  std::vector<HF_UTF16> out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

bool WriteTodaysLogs(const std::vector<std::pair<std::string, int>> &first,
                     const std::vector<std::pair<std::string, int>> &second) {
  const char *history = std::getenv("MORVEX_HISTORY_DIR");
  if (history == nullptr || *history == '\0') return false;
  Timestamp today{};
  if (!platform::SystemClock().LocalToday(&today)) return false;
  char date[40];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u 09:15:00.000", unsigned(today.year),
                unsigned(today.month), unsigned(today.day));
  return WriteLog(std::string(history) + "/first.log", date, first) &&
         WriteLog(std::string(history) + "/second.log", date, second);
}

bool ReferenceEngineBuilt() {
  const char *build = std::getenv("HOTFOLDERS_BUILD_DIR");
  return build != nullptr && static_cast<bool>(std::ifstream(std::string(build) + "/Kernel/Morvex.dll"));
}

bool IsWholeList(const std::u16string &text) {
  FolderList list;
  return ParseListText(text, list) == 1;
}

}  // namespace hf::test
