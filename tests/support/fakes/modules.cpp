#include "fakes/modules.h"

#include <atomic>
#include <cstring>

namespace hf::fakes {
namespace {

class Nothing final : public platform::Modules {
 public:
  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    static const char path[] = "nowhere/bin/host";
    if (buffer == nullptr || size < sizeof path) return 0;
    std::memcpy(buffer, path, sizeof path);
    return sizeof path - 1;
  }
  platform::ModuleHandle Load(const char *) override { return nullptr; }
  std::uint32_t Search(const char *, char *, std::uint32_t) override { return 0; }
  void *Symbol(platform::ModuleHandle, const char *) override { return nullptr; }
  void Free(platform::ModuleHandle) override {}
};

// The engine of the library held in memory; its entry point has no object to
// carry it, as a real library's has none.
std::atomic<ScriptedEngine *> memoryLibraryEngine{nullptr};

HRESULT MemoryLibraryGetClassObject(const Guid &clsid, const Guid &iid, void **out) {
  return memoryLibraryEngine.load()->GetClassObject(clsid, iid, out);
}

}  // namespace

platform::Modules &NoModules() {
  static Nothing nothing;
  return nothing;
}

FakeModules::~FakeModules() {
  for (platform::ModuleHandle handle : inMemory_) delete static_cast<char *>(handle);
}

void FakeModules::Note(const char *misuse) {
  if (misuse_ == nullptr) misuse_ = misuse;
}

int FakeModules::Held() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(live_.size());
}

const char *FakeModules::Misuse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return misuse_;
}

std::uint32_t FakeModules::HostExecutablePath(char *buffer, std::uint32_t size) {
  if (!hostPath) return ModulesWrapper::HostExecutablePath(buffer, size);
  // GetModuleFileNameA: truncated to size - 1 characters and terminated; the
  // result is size on truncation, else the length.
  if (buffer == nullptr || size == 0) return 0;
  const std::size_t length = std::strlen(hostPath->c_str());
  const std::size_t copied = length < size ? length : size - 1;
  std::memcpy(buffer, hostPath->data(), copied);
  buffer[copied] = '\0';
  if (hostResult) return *hostResult;
  return static_cast<std::uint32_t>(length < size ? length : size);
}

platform::ModuleHandle FakeModules::Load(const char *path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path == nullptr) {
    Note("LoadLibraryA with a null path");
    return nullptr;
  }
  loadRequests.emplace_back(path);
  platform::ModuleHandle module = nullptr;
  if (memoryEngine != nullptr && (!memoryPath || *memoryPath == path)) {
    memoryLibraryEngine = memoryEngine;
    module = new char;
    inMemory_.insert(module);
  } else {
    const auto redirect = redirects.find(path);
    const std::string file = redirect != redirects.end() ? redirect->second : redirectAll ? *redirectAll : path;
    module = ModulesWrapper::Load(file.c_str());
  }
  if (module != nullptr) {
    loaded.push_back(module);
    live_.insert(module);
  }
  return module;
}

std::uint32_t FakeModules::Search(const char *file, char *buffer, std::uint32_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file == nullptr || buffer == nullptr) {
      Note("SearchPathA with a null argument");
      return 0;
    }
    searchRequests.emplace_back(file);
  }
  if (!searchAnswer) return ModulesWrapper::Search(file, buffer, size);
  // SearchPathA: the length when the path fits, else the size it needs.
  const auto length = static_cast<std::uint32_t>(searchAnswer->size());
  std::uint32_t result = length + 1;
  if (length < size) {
    std::memcpy(buffer, searchAnswer->c_str(), length + 1);
    result = length;
  }
  return searchResult ? *searchResult : result;
}

void *FakeModules::Symbol(platform::ModuleHandle module, const char *name) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_.count(module) == 0) Note("GetProcAddress on a module not loaded");
    if (inMemory_.count(module) != 0) {
      const bool entry = name != nullptr && std::strcmp(name, "DllGetClassObject") == 0 && memoryHasEntry;
      return entry ? reinterpret_cast<void *>(&MemoryLibraryGetClassObject) : nullptr;
    }
  }
  return ModulesWrapper::Symbol(module, name);
}

void FakeModules::Free(platform::ModuleHandle module) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    freed.push_back(module);
    const auto live = live_.find(module);
    if (live == live_.end()) {
      Note("FreeLibrary of a module not loaded");
      return;
    }
    live_.erase(live);
    if (inMemory_.erase(module) != 0) {
      delete static_cast<char *>(module);
      return;
    }
  }
  ModulesWrapper::Free(module);
}

std::string TestDirectory() {
  char buffer[4096] = {};
  platform::SystemModules().HostExecutablePath(buffer, sizeof buffer);
  std::string path = buffer;
  return path.substr(0, path.rfind(platform::PathSeparator()) + 1);
}

std::string TestEnginePath(const std::string &name) {
  return TestDirectory() + "engines" + platform::PathSeparator() + name + ".dll";
}

std::string NativeSeparators(std::string path) {
  for (char &c : path)
    if (c == '\\') c = platform::PathSeparator();
  return path;
}

LoadedEngine::LoadedEngine(const std::string &path) : module_(platform::SystemModules().Load(path.c_str())) {
  if (module_ == nullptr) return;
  void *accessor = platform::SystemModules().Symbol(module_, kScriptedEngineInstance);
  if (accessor != nullptr) engine_ = reinterpret_cast<ScriptedEngineInstanceFn>(accessor)();
}

LoadedEngine::~LoadedEngine() {
  if (engine_ != nullptr) engine_->Reset();
  if (module_ != nullptr) platform::SystemModules().Free(module_);
}

}  // namespace hf::fakes
