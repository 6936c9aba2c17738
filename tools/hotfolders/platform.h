// The system services of the tool, one implementation per platform
// (posix/ and win32/, picked by the build).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host.h"

namespace hf::cli {

// HKEY_CURRENT_USER\Software\Quorvane, or the directory that stands for it.
[[nodiscard]] std::string SystemSettingsKeyLocation();
// Whether the settings key exists and may be read and written, without creating it.
[[nodiscard]] KeyProbe ProbeSystemSettingsKey();
// Creates the settings key and any missing parents, usable by the current user;
// false with `error` on failure.
[[nodiscard]] bool CreateSystemSettingsKey(std::string &error);

// Where the library is looked for when no path is given, for messages.
[[nodiscard]] std::string DefaultLibraryPath();
// Loads the library and resolves its four exports; the error names the path tried.
[[nodiscard]] LoadedLibrary OpenFolderLibrary(const std::optional<std::u16string> &path);

// Writes UTF-8 text to standard output or standard error, as it stands.
void WriteStdout(std::string_view text) noexcept;
void WriteStderr(std::string_view text) noexcept;

// The tool's Host on the real system.
class SystemHost final : public Host {
 public:
  std::string DefaultLibraryLocation() const override { return DefaultLibraryPath(); }
  std::string SettingsKeyLocation() const override { return SystemSettingsKeyLocation(); }
  KeyProbe ProbeSettingsKey() override { return ProbeSystemSettingsKey(); }
  bool CreateSettingsKey(std::string &error) override { return CreateSystemSettingsKey(error); }
  LoadedLibrary OpenLibrary(const std::optional<std::u16string> &path) override {
    return OpenFolderLibrary(path);
  }
  void WriteOut(std::string_view text) override { WriteStdout(text); }
  void WriteErr(std::string_view text) override { WriteStderr(text); }
};

}  // namespace hf::cli
