// Loading hotFolders.dll with LoadLibraryW, by default from the tool's own directory.
#include <windows.h>

#include <hotFolders.h>

#include "platform.h"
#include "win32/wide.h"

namespace hf::cli {

namespace {

// The directory of the running executable with a trailing separator; empty if unknown.
std::wstring ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

class Dll final : public FolderLibrary {
 public:
  explicit Dll(HMODULE module) noexcept : module_(module) {}
  ~Dll() override { ::FreeLibrary(module_); }
  Dll(const Dll &) = delete;
  Dll &operator=(const Dll &) = delete;

  // Resolves one export; false when it is missing.
  template <typename Function>
  [[nodiscard]] bool Resolve(const char *name, Function &function) noexcept {
    // Through void(*)(), the one function pointer type that converts without a warning.
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module_, name)));
    return function != nullptr;
  }

  std::int32_t GetPathCount() override { return getPathCount_(); }
  std::int32_t GetLogPath(std::int32_t index, char16_t *buffer, std::uint32_t capacity,
                          std::int32_t *countOut) override {
    // wchar_t and char16_t are both UTF-16 here, but distinct types: copy across.
    std::wstring wide(buffer, buffer + capacity);
    const std::int32_t result = getLogPath_(index, wide.data(), capacity, countOut);
    std::copy(wide.begin(), wide.end(), buffer);
    return result;
  }
  std::int32_t DeletePath(const char16_t *folderPath) override {
    return deletePath_(ToWide(folderPath).c_str());
  }
  std::int32_t UpdatePath() override { return updatePath_(); }

  decltype(&::GetPathCount) getPathCount_ = nullptr;
  decltype(&::GetLogPath) getLogPath_ = nullptr;
  decltype(&::DeletePath) deletePath_ = nullptr;
  decltype(&::UpdatePath) updatePath_ = nullptr;

 private:
  HMODULE module_;
};

}  // namespace

std::string DefaultLibraryPath() {
  const std::wstring directory = ExecutableDirectory();
  return directory.empty() ? std::string("hotFolders.dll beside this program")
                           : Utf16ToUtf8(FromWide(directory + L"hotFolders.dll"));
}

LoadedLibrary OpenFolderLibrary(const std::optional<std::u16string> &path) {
  std::wstring file;
  if (path) {
    file = ToWide(*path);
    // A bare name is a file in the current directory, not a search of the system's DLLs.
    if (file.find_first_of(L"\\/:") == std::wstring::npos) file = L".\\" + file;
  } else {
    const std::wstring directory = ExecutableDirectory();
    if (directory.empty()) return {nullptr, "cannot find the directory of this program"};
    file = directory + L"hotFolders.dll";
  }
  const std::string shown = Utf16ToUtf8(FromWide(file));
  const HMODULE module = ::LoadLibraryW(file.c_str());
  if (module == nullptr) {
    return {nullptr, "cannot load the library " + shown + ": " + SystemErrorText(::GetLastError())};
  }
  auto library = std::make_unique<Dll>(module);
  const std::pair<const char *, bool> exports[] = {
      {"GetPathCount", library->Resolve("GetPathCount", library->getPathCount_)},
      {"GetLogPath", library->Resolve("GetLogPath", library->getLogPath_)},
      {"DeletePath", library->Resolve("DeletePath", library->deletePath_)},
      {"UpdatePath", library->Resolve("UpdatePath", library->updatePath_)},
  };
  for (const auto &[name, found] : exports) {
    if (!found) return {nullptr, "the library " + shown + " does not export " + name + "; it is not a hotFolders library"};
  }
  return {std::move(library), {}};
}

}  // namespace hf::cli
