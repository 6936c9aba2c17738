// Loading libhotFolders.so with dlopen, by default from ../lib beside the tool.
#include <dlfcn.h>
#include <unistd.h>

#include <hotFolders.h>

#include "platform.h"
#include "utf.h"

namespace hf::cli {

namespace {

constexpr char kDefaultRelative[] = "../lib/libhotFolders.so";

// The directory of the running executable, with a trailing '/'; empty if unknown.
std::string ExecutableDirectory() {
  std::string path(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
  path.resize(static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/') + 1);
}

class SharedObject final : public FolderLibrary {
 public:
  explicit SharedObject(void *handle) noexcept : handle_(handle) {}
  ~SharedObject() override { ::dlclose(handle_); }
  SharedObject(const SharedObject &) = delete;
  SharedObject &operator=(const SharedObject &) = delete;

  // Resolves one export; false when it is missing.
  template <typename Function>
  [[nodiscard]] bool Resolve(const char *name, Function &function) noexcept {
    function = reinterpret_cast<Function>(::dlsym(handle_, name));
    return function != nullptr;
  }

  std::int32_t GetPathCount() override { return getPathCount_(); }
  std::int32_t GetLogPath(std::int32_t index, char16_t *buffer, std::uint32_t capacity,
                          std::int32_t *countOut) override {
    return getLogPath_(index, buffer, capacity, countOut);
  }
  std::int32_t DeletePath(const char16_t *folderPath) override { return deletePath_(folderPath); }
  std::int32_t UpdatePath() override { return updatePath_(); }

  decltype(&::GetPathCount) getPathCount_ = nullptr;
  decltype(&::GetLogPath) getLogPath_ = nullptr;
  decltype(&::DeletePath) deletePath_ = nullptr;
  decltype(&::UpdatePath) updatePath_ = nullptr;

 private:
  void *handle_;
};

}  // namespace

std::string DefaultLibraryPath() {
  const std::string directory = ExecutableDirectory();
  return directory.empty() ? std::string("<this program's directory>/") + kDefaultRelative
                           : directory + kDefaultRelative;
}

LoadedLibrary OpenFolderLibrary(const std::optional<std::u16string> &path) {
  std::string file;
  if (path) {
    file = Utf16ToUtf8(*path);
    // A bare name is a file in the current directory, not a search of the system's libraries.
    if (file.find('/') == std::string::npos) file = "./" + file;
  } else {
    const std::string directory = ExecutableDirectory();
    if (directory.empty()) return {nullptr, "cannot find the directory of this program"};
    file = directory + kDefaultRelative;
  }
  void *handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char *reason = ::dlerror();
    return {nullptr, "cannot load the library " + file + ": " + (reason ? reason : "unknown error")};
  }
  auto library = std::make_unique<SharedObject>(handle);
  const std::pair<const char *, bool> exports[] = {
      {"GetPathCount", library->Resolve("GetPathCount", library->getPathCount_)},
      {"GetLogPath", library->Resolve("GetLogPath", library->getLogPath_)},
      {"DeletePath", library->Resolve("DeletePath", library->deletePath_)},
      {"UpdatePath", library->Resolve("UpdatePath", library->updatePath_)},
  };
  for (const auto &[name, found] : exports) {
    if (!found) return {nullptr, "the library " + file + " does not export " + name + "; it is not a hotFolders library"};
  }
  return {std::move(library), {}};
}

}  // namespace hf::cli
