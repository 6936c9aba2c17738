// What the tool needs of the system: the settings key, the library and the
// console. The real one talks to the platform; tests substitute their own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "library.h"

namespace hf::cli {

// unreachable: the key exists (or cannot be told apart from existing) but the
// current user may not read it.
enum class KeyState { present, missing, unreachable };

struct KeyProbe {
  KeyState state = KeyState::missing;
  std::string detail;      // UTF-8 reason when unreachable, or when present but not writable
  bool writable = false;   // present, and the current user may change its values
  bool diskFull = false;   // present, and the disk that holds it has no room left (where the system tells)
};

class Host {
 public:
  virtual ~Host() = default;
  // Where the library is looked for by default, for --help.
  [[nodiscard]] virtual std::string DefaultLibraryLocation() const = 0;
  // Where the settings key lives, for messages (a registry path or a directory).
  [[nodiscard]] virtual std::string SettingsKeyLocation() const = 0;
  // Whether the settings key exists and what the current user may do with it,
  // without creating it.
  [[nodiscard]] virtual KeyProbe ProbeSettingsKey() = 0;
  // Creates the settings key if missing, readable and writable by the current
  // user whatever the file creation mask; true when it exists afterwards, else
  // false with `error` set.
  [[nodiscard]] virtual bool CreateSettingsKey(std::string &error) = 0;
  // Loads the library from `path`, or from its place beside the tool when none is given.
  [[nodiscard]] virtual LoadedLibrary OpenLibrary(const std::optional<std::u16string> &path) = 0;
  // Writes UTF-8 text to standard output / standard error.
  virtual void WriteOut(std::string_view text) = 0;
  virtual void WriteErr(std::string_view text) = 0;
};

}  // namespace hf::cli
