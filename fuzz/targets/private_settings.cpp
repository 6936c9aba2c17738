// libFuzzer start-up for every target: the settings root is pointed at a
// directory that does not exist, so that nothing the library reaches outside
// the installed in-memory store (the per-user lock file) can touch the real
// user's settings or wait on another process.
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("XDG_CONFIG_HOME", "/nonexistent/hotfolders-fuzz", 1);
  return 0;
}
