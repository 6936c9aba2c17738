// Calls every exported function of the shared library, on their main roads
// and their refusals, and a rebuild through the reference engine, in a
// private settings hive; run under valgrind, which reports any leak or bad
// access. Exits with 0 when every result was the expected one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "hotFolders.h"
#include "todays_log.h"

namespace {

namespace fs = std::filesystem;

int failures = 0;

void Expect(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "unexpected result: %s\n", what);
  ++failures;
}

void WriteValue(const fs::path &key, const char *name, const std::u16string &text) {
  std::ofstream out(key / (std::string(name) + ".value"), std::ios::binary | std::ios::trunc);
  out.write("\x07\0\0\0", 4);
  for (char16_t unit : text) {
    out.put(static_cast<char>(unit & 0xFF));
    out.put(static_cast<char>(unit >> 8));
  }
}

}  // namespace

int main() {
  char pattern[] = "/tmp/hotfolders-leaks-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 2;
  const fs::path root(pattern);
  ::setenv("XDG_CONFIG_HOME", pattern, 1);
  const fs::path key = root / "hkcu" / "Software" / "Quorvane";

  // No key yet: every call refuses.
  Expect(GetPathCount() == 0, "GetPathCount without a key");
  Expect(DeletePath(u"C:\\a") == 0, "DeletePath without a key");
  Expect(UpdatePath() == 0, "UpdatePath without a key");

  fs::create_directories(key);
  WriteValue(key, "hotFolders", u"C:\\a,5|C:\\b,3|C:\\c,2|");
  WriteValue(key, "deletepath", u"C:\\x,1|");
  char16_t buffer[32] = {};
  std::int32_t hits = 0;
  Expect(GetPathCount() == 3, "GetPathCount");
  Expect(GetLogPath(1, buffer, 32, &hits) == 1 && hits == 3, "GetLogPath");
  Expect(GetLogPath(0, buffer, 4, &hits) == 0, "GetLogPath with a short buffer");
  Expect(GetLogPath(5, buffer, 32, &hits) == 0, "GetLogPath out of range");
  Expect(GetLogPath(0, nullptr, 32, &hits) == 0, "GetLogPath without a buffer");
  Expect(DeletePath(nullptr) == 0, "DeletePath without a path");
  Expect(DeletePath(u"C:\\b") == 1, "DeletePath");
  Expect(DeletePath(u"C:\\none") == 1, "DeletePath of an absent folder");
  Expect(GetPathCount() == 2, "GetPathCount after DeletePath");

  // A rebuild through the reference engine, with logs of its own.
  const char *history = std::getenv("MORVEX_HISTORY_DIR");
  if (history != nullptr && *history != '\0') {
    hf::test::WriteTodaysLog(fs::path(history) / "first.log", "C:\\Docs\\", 3);
    hf::test::WriteTodaysLog(fs::path(history) / "second.log", "D:\\Mail\\", 2);
    Expect(UpdatePath() == 1, "UpdatePath");
    Expect(GetPathCount() == 2, "GetPathCount after UpdatePath");
  }
  WriteValue(key, "deletepath", u"");
  Expect(UpdatePath() == 0, "UpdatePath with unloadable exclusions");

  std::error_code ignored;
  fs::remove_all(root, ignored);
  return failures == 0 ? 0 : 1;
}
