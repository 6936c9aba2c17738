// A history log of records dated today, for the programs that drive the real
// library and engine without GoogleTest.
#pragma once

#include <ctime>
#include <filesystem>
#include <fstream>

namespace hf::test {

// Writes records lines dated today at 10:00, the object paths folder + "f<i>.txt".
inline void WriteTodaysLog(const std::filesystem::path &file, const char *folder, int records) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d 10:00:00.000", &local);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (int i = 0; i < records; ++i) out << date << '\t' << i << '\t' << folder << "f" << i << ".txt\tfound\n";
}

}  // namespace hf::test
