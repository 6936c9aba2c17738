// The four exported functions of the hotFolders library, as loaded at run time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hf::cli {

// One loaded library; destroying it unloads the library.
class FolderLibrary {
 public:
  virtual ~FolderLibrary() = default;
  // GetPathCount: the number of stored folders, 0 when there are none or on failure.
  virtual std::int32_t GetPathCount() = 0;
  // GetLogPath: 1 with the path (NUL-terminated) in buffer and its hits in *countOut, else 0.
  virtual std::int32_t GetLogPath(std::int32_t index, char16_t *buffer, std::uint32_t capacity,
                                  std::int32_t *countOut) = 0;
  // DeletePath: 1 when the settings key could be opened for writing, else 0.
  virtual std::int32_t DeletePath(const char16_t *folderPath) = 0;
  // UpdatePath: 1 when the rebuild ran, 0 when the removed-folder list could not be loaded.
  virtual std::int32_t UpdatePath() = 0;
};

struct LoadedLibrary {
  std::unique_ptr<FolderLibrary> library;  // null on failure
  std::string error;                       // UTF-8 reason naming the path tried, on failure
};

}  // namespace hf::cli
