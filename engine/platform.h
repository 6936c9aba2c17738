// The few operating-system services the engine needs. Paths are UTF-8 text on
// both platforms; the platform file converts them at its edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace morvex {

// A file opened for sequential reading; closed when destroyed.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to size bytes into buffer: the count read, 0 at the end, negative on error.
  virtual std::int64_t Read(char *buffer, std::size_t size) noexcept = 0;
};

// Opens the file at a UTF-8 path for reading; nullptr when it cannot be opened.
std::unique_ptr<InputFile> OpenInputFile(const std::string &path);

// The directory of the history logs, ending with a separator: MORVEX_HISTORY_DIR
// when set and not empty, else History beside the directory that holds this
// library. Empty when neither can be determined.
std::string HistoryDirectory();

// Keeps this library loaded for the rest of the process, so that no engine
// object can outlive its code; called when the first object comes into being.
void PinModule() noexcept;

}  // namespace morvex
