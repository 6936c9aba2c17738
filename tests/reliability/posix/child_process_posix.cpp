#include "child_process.h"

#include <climits>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace hf::test {
namespace {

std::string ExecutableDirectory() {
  char path[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "./";
  const std::string self(path, static_cast<std::size_t>(length));
  return self.substr(0, self.rfind('/') + 1);
}

}  // namespace

std::vector<int> RunAllAtOnce(const std::vector<std::vector<std::string>> &commands,
                              const std::function<void()> &started) {
  const std::string directory = ExecutableDirectory();
  std::vector<pid_t> children;
  for (const auto &command : commands) {
    const std::string program = directory + command.at(0);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (std::size_t i = 1; i < command.size(); ++i) argv.push_back(const_cast<char *>(command[i].c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) child = -1;
    children.push_back(child);
  }
  started();
  std::vector<int> codes;
  for (pid_t child : children) {
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
      codes.push_back(-1);
    else
      codes.push_back(WEXITSTATUS(status));
  }
  return codes;
}

}  // namespace hf::test
