// Library loading on Linux: dlopen/dlsym/dlclose, the executable from
// /proc/self/exe, and a file search over the executable's directory, the
// current directory and PATH. The wide forms keep the base class's "not
// available": /proc/self/exe gives the path's bytes exactly, so the 8-bit
// forms already hold every path.
#include "platform/modules.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace hf::platform {
namespace {

std::string ExecutablePath() {
  char buffer[PATH_MAX + 1];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// An absolute path is taken as it stands; any other name is looked for in the
// executable's directory, the current directory, then each PATH entry.
bool FindFile(const std::string &file, std::string &found) {
  if (!file.empty() && file.front() == '/') {
    if (!IsRegularFile(file)) return false;
    found = file;
    return true;
  }
  auto tryDirectory = [&](const std::string &directory) {
    if (directory.empty()) return false;
    std::string candidate = directory;
    if (candidate.back() != '/') candidate += '/';
    candidate += file;
    if (!IsRegularFile(candidate)) return false;
    found = candidate;
    return true;
  };
  const std::string executable = ExecutablePath();
  const std::size_t slash = executable.rfind('/');
  if (slash != std::string::npos && tryDirectory(executable.substr(0, slash + 1))) return true;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) != nullptr && tryDirectory(cwd)) return true;
  const char *path = std::getenv("PATH");
  if (path == nullptr) return false;
  const std::string entries = path;
  std::size_t start = 0;
  while (start <= entries.size()) {
    std::size_t end = entries.find(':', start);
    if (end == std::string::npos) end = entries.size();
    if (tryDirectory(entries.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

class PosixModules final : public Modules {
 public:
  // Like GetModuleFileNameA: the path truncated to size - 1 characters and
  // terminated, the result then being size; 0 when it cannot be read.
  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    if (buffer == nullptr || size == 0) return 0;
    const std::string path = ExecutablePath();
    if (path.empty()) return 0;
    if (path.size() >= size) {
      std::memcpy(buffer, path.data(), size - 1);
      buffer[size - 1] = '\0';
      return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<std::uint32_t>(path.size());
  }

  ModuleHandle Load(const char *path) override {
    if (path == nullptr || *path == '\0') return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
  }

  // Like SearchPathA: the length without terminator when the path fits, the
  // size needed with terminator when it does not (buffer untouched), 0 when
  // nothing was found.
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override {
    if (file == nullptr || *file == '\0') return 0;
    std::string found;
    if (!FindFile(file, found)) return 0;
    if (buffer == nullptr || found.size() >= size) return static_cast<std::uint32_t>(found.size() + 1);
    std::memcpy(buffer, found.c_str(), found.size() + 1);
    return static_cast<std::uint32_t>(found.size());
  }

  void *Symbol(ModuleHandle module, const char *name) override {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
  }

  void Free(ModuleHandle module) override {
    if (module != nullptr) dlclose(module);
  }
};

}  // namespace

Modules &SystemModules() {
  static PosixModules modules;
  return modules;
}

char PathSeparator() noexcept { return '/'; }

}  // namespace hf::platform
