// A rebuild whose engine never returns from a call: the first log is a FIFO
// that nobody writes, so the reference engine blocks inside its open. The host
// loads the library itself, calls UpdatePath, which must come back after the
// budget and the grace with the second log ranked, and then unloads the
// library. The library must stay loaded while its reader is left behind;
// once the FIFO is opened for writing and closed, that reader ends, and the
// process must go on to a clean exit.
// Usage: left_behind_worker LIBRARY
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "todays_log.h"

namespace {

namespace fs = std::filesystem;

int failures = 0;

void Expect(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "unexpected result: %s\n", what);
  ++failures;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: left_behind_worker LIBRARY\n");
    return 2;
  }
  const std::string library = argv[1];
  char pattern[] = "/tmp/hotfolders-left-behind-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 2;
  const fs::path root(pattern);
  ::setenv("XDG_CONFIG_HOME", pattern, 1);
  fs::create_directories(root / "hkcu" / "Software" / "Quorvane");
  const fs::path history = root / "history";
  fs::create_directories(history);
  const fs::path fifo = history / "first.log";
  if (::mkfifo(fifo.c_str(), 0600) != 0) return 2;
  hf::test::WriteTodaysLog(history / "second.log", "D:\\Mail\\", 2);
  ::setenv("MORVEX_HISTORY_DIR", history.c_str(), 1);

  void *module = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", library.c_str(), ::dlerror());
    return 2;
  }
  using Update = std::int32_t (*)();
  using Count = std::int32_t (*)();
  auto update = reinterpret_cast<Update>(::dlsym(module, "UpdatePath"));
  auto count = reinterpret_cast<Count>(::dlsym(module, "GetPathCount"));
  if (update == nullptr || count == nullptr) return 2;

  const auto started = std::chrono::steady_clock::now();
  Expect(update() == 1, "UpdatePath with a hung first log");
  const auto waited = std::chrono::steady_clock::now() - started;
  // The budget and the grace are 35 seconds; a minute is ample for a slow build.
  Expect(waited < std::chrono::seconds(60), "UpdatePath came back within the budget and the grace");
  Expect(count() == 1, "the second log alone is ranked");

  ::dlclose(module);
  Expect(::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD) != nullptr, "the library stays loaded");

  // Let the reader go: it sees an empty log and ends inside the library.
  const int writer = ::open(fifo.c_str(), O_WRONLY);
  if (writer >= 0) ::close(writer);
  std::this_thread::sleep_for(std::chrono::seconds(1));

  std::error_code ignored;
  fs::remove_all(root, ignored);
  return failures == 0 ? 0 : 1;
}
