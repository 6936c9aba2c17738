// POSIX file reading, environment and module location for the engine.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform.h"

namespace morvex {
namespace {

class PosixInputFile final : public InputFile {
 public:
  explicit PosixInputFile(int fd) noexcept : fd_(fd) {}
  ~PosixInputFile() override { ::close(fd_); }
  PosixInputFile(const PosixInputFile &) = delete;
  PosixInputFile &operator=(const PosixInputFile &) = delete;

  std::int64_t Read(char *buffer, std::size_t size) noexcept override {
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) return static_cast<std::int64_t>(n);
      if (errno != EINTR) return -1;
    }
  }

 private:
  int fd_;
};

// Any address inside this library identifies it to the loader.
const char kModuleAnchor = 0;

// The file this library was loaded from, as the loader names it.
std::string ModulePath() {
  Dl_info info{};
  if (::dladdr(&kModuleAnchor, &info) == 0 || info.dli_fname == nullptr)
    return {};
  return info.dli_fname;
}

}  // namespace

std::unique_ptr<InputFile> OpenInputFile(const std::string &path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::make_unique<PosixInputFile>(fd);
}

std::string HistoryDirectory() {
  const char *fromEnvironment = std::getenv("MORVEX_HISTORY_DIR");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
    std::string dir = fromEnvironment;
    if (dir.back() != '/') dir += '/';
    return dir;
  }
  std::string path = ModulePath();
  if (path.empty()) return {};
  // <prefix>/Kernel/Morvex.dll -> <prefix>/History/
  std::size_t cut = path.rfind('/');
  if (cut == std::string::npos) return "../History/";  // loaded from the current directory
  path.erase(cut);
  cut = path.rfind('/');
  path.erase(cut == std::string::npos ? 0 : cut + 1);
  if (path.empty() && cut == std::string::npos) path = "./";
  return path + "History/";
}

void PinModule() noexcept {
  const std::string path = ModulePath();
  if (path.empty()) return;
  // A handle that is never closed, on an object marked never to be unloaded.
  static_cast<void>(::dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE));
}

}  // namespace morvex
