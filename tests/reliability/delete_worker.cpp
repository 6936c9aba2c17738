// A test driver: waits until the gate file exists, then removes each folder
// named on its command line with DeletePath. Exits with 0 when every call
// returned 1, 1 when one did not, 2 on bad usage, 3 when the gate never opened.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "hotFolders.h"

int main(int argc, char **argv) {
  if (argc < 3) return 2;
  // Started one by one, the workers begin together once the gate file appears.
  const std::filesystem::path gate(argv[1]);
  int waited = 0;
  std::error_code error;
  while (!std::filesystem::exists(gate, error)) {
    if (++waited > 12000) return 3;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string folder(argv[i]);
    std::vector<HF_UTF16> path(folder.begin(), folder.end());  // ASCII folder names
    path.push_back(0);
    if (DeletePath(path.data()) != 1) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
