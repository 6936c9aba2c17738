// Starting test driver executables that live beside the test executable.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hf::test {

// Starts every command (the first word names an executable in the test
// executable's directory, without ".exe") at once, with this process's
// environment and current directory, runs started() once all are started,
// then waits for all of them. Returns each exit code in order, or -1 for one
// that could not be started or did not exit.
std::vector<int> RunAllAtOnce(const std::vector<std::vector<std::string>> &commands,
                              const std::function<void()> &started);

}  // namespace hf::test
