// hotfolders-loggen: writes first.log and second.log for the reference engine.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "expected_tally.h"
#include "folder_pool.h"
#include "log_writer.h"
#include "options.h"

namespace {

// Writes one log file; false (with a message) on an I/O error.
bool WriteOne(const std::filesystem::path &path, const loggen::Options &options, const loggen::FolderPool &folders,
              std::uint64_t seed, loggen::ExpectedTally *tally) {
  std::FILE *file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "hotfolders-loggen: cannot create %s; check that the directory is writable\n",
                 path.string().c_str());
    return false;
  }
  bool ok = loggen::WriteLog(file, options, folders, seed, tally);
  if (std::fclose(file) != 0) ok = false;
  if (!ok)
    std::fprintf(stderr, "hotfolders-loggen: writing %s failed; check the free space\n", path.string().c_str());
  return ok;
}

}  // namespace

int main(int argc, char **argv) {
  loggen::Options options;
  std::string error;
  if (!loggen::ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "hotfolders-loggen: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(loggen::UsageText(), stdout);
    return 0;
  }
  try {
    const std::filesystem::path dir(options.outDir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      std::fprintf(stderr, "hotfolders-loggen: cannot create directory %s: %s\n", options.outDir.c_str(),
                   ec.message().c_str());
      return 1;
    }
    const loggen::FolderPool folders(options.folders);
    loggen::ExpectedTally first(options.today, folders.Size());
    loggen::ExpectedTally second(options.today, folders.Size());
    if (!WriteOne(dir / "first.log", options, folders, options.seed, &first) ||
        !WriteOne(dir / "second.log", options, folders, options.seed ^ 0x5DEECE66Dull, &second))
      return 1;
    if (options.printExpected) {
      first.Print(stdout, "first.log");
      second.Print(stdout, "second.log");
    }
    if (!options.expectedFile.empty()) {
      std::FILE *file = std::fopen(options.expectedFile.c_str(), "wb");
      if (file == nullptr) {
        std::fprintf(stderr, "hotfolders-loggen: cannot create %s; check that its directory exists\n",
                     options.expectedFile.c_str());
        return 1;
      }
      first.Print(file, "first.log");
      second.Print(file, "second.log");
      if (std::fclose(file) != 0) {
        std::fprintf(stderr, "hotfolders-loggen: writing %s failed\n", options.expectedFile.c_str());
        return 1;
      }
    }
  } catch (const std::exception &e) {
    std::fprintf(stderr, "hotfolders-loggen: %s\n", e.what());
    return 1;
  }
  return 0;
}
