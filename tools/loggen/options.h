// The command line of hotfolders-loggen.
#pragma once

#include <cstdint>
#include <string>

#include "civil_date.h"

namespace loggen {

struct Options {
  std::string outDir;
  std::uint64_t records = 1000;  // per log
  int days = 30;
  std::uint32_t folders = 50;
  double archiveShare = 0.1;
  std::uint64_t seed = 1;
  CivilDate today;  // LocalToday() unless --today is given
  bool printExpected = false;
  std::string expectedFile;  // where to write the tally as well, when set
  bool help = false;
};

// Parses argv; on a bad argument returns false with a message in error.
[[nodiscard]] bool ParseOptions(int argc, char **argv, Options *out, std::string *error);

// The --help text.
const char *UsageText() noexcept;

}  // namespace loggen
