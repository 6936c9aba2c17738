// Helpers shared by the reliability tests: native strings, the logs of the
// reference engine, and the test that a stored value is a whole list.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "hotFolders.h"

namespace hf::test {

// text with a terminating NUL, in the exported functions' code unit.
std::vector<HF_UTF16> Native(const std::u16string &text);

// Writes first.log and second.log of the reference engine into the directory
// named by MORVEX_HISTORY_DIR, every record dated today; each folder gets as
// many records as its count. False when the directory is not set (the test
// then runs outside ctest).
bool WriteTodaysLogs(const std::vector<std::pair<std::string, int>> &first,
                     const std::vector<std::pair<std::string, int>> &second);

// True when the reference engine was built beside the tests.
bool ReferenceEngineBuilt();

// True when text parses completely as a list of entries.
bool IsWholeList(const std::u16string &text);

}  // namespace hf::test
