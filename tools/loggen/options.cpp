#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace loggen {
namespace {

bool ParseUnsigned(const char *text, std::uint64_t max, std::uint64_t *out) {
  if (*text < '0' || *text > '9') return false;
  errno = 0;
  char *end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > max) return false;
  *out = value;
  return true;
}

bool ParseShare(const char *text, double *out) {
  errno = 0;
  char *end = nullptr;
  const double value = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !(value >= 0.0 && value <= 1.0)) return false;
  *out = value;
  return true;
}

}  // namespace

const char *UsageText() noexcept {
  return "usage: hotfolders-loggen --out DIR [options]\n"
         "Writes DIR/first.log and DIR/second.log, history logs of the reference engine.\n"
         "  --out DIR            directory to write into (created when missing)\n"
         "  --records N          records per log (default 1000)\n"
         "  --days D             spread the records over the D days up to today (default 30)\n"
         "  --folders F          number of distinct folders, skewed popularity (default 50)\n"
         "  --archive-share X    share of paths inside archives, 0..1 (default 0.1)\n"
         "  --seed S             random seed; the same seed gives the same logs (default 1)\n"
         "  --today YYYY-MM-DD   the date taken as today (default: the local date)\n"
         "  --print-expected     print the per-folder tally of each log's records in the\n"
         "                       counting window: log<TAB>hits<TAB>folder, most hits first\n"
         "  --expected-file FILE write that tally into FILE (UTF-8)\n"
         "Exit status: 0 on success, 1 on an I/O error, 2 on a bad argument.\n";
}

bool ParseOptions(int argc, char **argv, Options *out, std::string *error) {
  Options options;
  options.today = LocalToday();
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      options.help = true;
      continue;
    }
    if (std::strcmp(arg, "--print-expected") == 0) {
      options.printExpected = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = std::string("missing value after ") + arg + " (see --help)";
      return false;
    }
    const char *value = argv[++i];
    std::uint64_t number = 0;
    bool ok = true;
    if (std::strcmp(arg, "--out") == 0) {
      options.outDir = value;
      ok = !options.outDir.empty();
    } else if (std::strcmp(arg, "--records") == 0) {
      ok = ParseUnsigned(value, 1000000000ull, &options.records);
    } else if (std::strcmp(arg, "--days") == 0) {
      ok = ParseUnsigned(value, 100000, &number) && number > 0;
      options.days = static_cast<int>(number);
    } else if (std::strcmp(arg, "--folders") == 0) {
      ok = ParseUnsigned(value, 10000000, &number) && number > 0;
      options.folders = static_cast<std::uint32_t>(number);
    } else if (std::strcmp(arg, "--archive-share") == 0) {
      ok = ParseShare(value, &options.archiveShare);
    } else if (std::strcmp(arg, "--seed") == 0) {
      ok = ParseUnsigned(value, UINT64_MAX, &options.seed);
    } else if (std::strcmp(arg, "--expected-file") == 0) {
      options.expectedFile = value;
      ok = !options.expectedFile.empty();
    } else if (std::strcmp(arg, "--today") == 0) {
      ok = ParseCivilDate(value, &options.today);
    } else {
      *error = std::string("unknown option ") + arg + " (see --help)";
      return false;
    }
    if (!ok) {
      *error = std::string("bad value for ") + arg + ": " + value + " (see --help)";
      return false;
    }
  }
  if (!options.help && options.outDir.empty()) {
    *error = "--out DIR is required (see --help)";
    return false;
  }
  *out = options;
  return true;
}

}  // namespace loggen
