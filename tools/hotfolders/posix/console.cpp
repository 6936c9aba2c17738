// Standard output and error on Linux: plain byte writes.
#include <cerrno>
#include <unistd.h>

#include "platform.h"

namespace hf::cli {

namespace {

void WriteAll(int fd, std::string_view text) noexcept {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // a closed pipe or full disk: nothing more to do
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void WriteStdout(std::string_view text) noexcept { WriteAll(STDOUT_FILENO, text); }
void WriteStderr(std::string_view text) noexcept { WriteAll(STDERR_FILENO, text); }

}  // namespace hf::cli
