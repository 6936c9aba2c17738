#include "test_modules.h"

#include <cstring>

#include "abi/log_engine.h"

namespace hf::test {

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

std::uint32_t RecordingModules::HostExecutablePath(char *buffer, std::uint32_t size) {
  if (!hostPath) return platform::SystemModules().HostExecutablePath(buffer, size);
  const std::size_t copied = hostPath->size() < size ? hostPath->size() : size - 1;
  std::memcpy(buffer, hostPath->data(), copied);
  buffer[copied] = '\0';
  if (hostResult) return *hostResult;
  return static_cast<std::uint32_t>(copied);
}

platform::ModuleHandle RecordingModules::Load(const char *path) {
  loadRequests.emplace_back(path);
  const auto redirect = redirects.find(path);
  const std::string file = redirect != redirects.end() ? redirect->second : std::string(path);
  platform::ModuleHandle module = platform::SystemModules().Load(file.c_str());
  if (module != nullptr) loaded.push_back(module);
  return module;
}

std::uint32_t RecordingModules::Search(const char *file, char *buffer, std::uint32_t size) {
  searchRequests.emplace_back(file);
  if (!searchAnswer) return platform::SystemModules().Search(file, buffer, size);
  if (searchAnswer->size() < size) std::memcpy(buffer, searchAnswer->c_str(), searchAnswer->size() + 1);
  if (searchResult) return *searchResult;
  return static_cast<std::uint32_t>(searchAnswer->size());
}

void *RecordingModules::Symbol(platform::ModuleHandle module, const char *name) {
  return platform::SystemModules().Symbol(module, name);
}

void RecordingModules::Free(platform::ModuleHandle module) {
  freed.push_back(module);
  platform::SystemModules().Free(module);
}

LoadedEngine::LoadedEngine(const std::string &path) : module_(platform::SystemModules().Load(path.c_str())) {
  if (module_ == nullptr) return;
  void *accessor = platform::SystemModules().Symbol(module_, "ScriptedEngineState");
  if (accessor != nullptr) state_ = reinterpret_cast<EngineStateFn>(accessor)();
}

LoadedEngine::~LoadedEngine() {
  if (module_ != nullptr) platform::SystemModules().Free(module_);
}

HRESULT NoServerCom::CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) {
  activations.push_back({clsid, context, iid});
  if (out != nullptr) *out = nullptr;
  return kREGDB_E_CLASSNOTREG;
}

HRESULT ServingCom::CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) {
  NoServerCom::CreateInstance(clsid, context, iid, out);
  void *entry = platform::SystemModules().Symbol(engine_.Handle(), "DllGetClassObject");
  if (entry == nullptr || out == nullptr) return kE_FAIL;
  void *factory = nullptr;
  const auto getClassObject = reinterpret_cast<platform::GetClassObjectFn>(entry);
  if (getClassObject(clsid, kIidClassFactory, &factory) != kS_OK || factory == nullptr) return kE_FAIL;
  auto *classFactory = static_cast<IClassFactoryAbi *>(factory);
  const HRESULT result = classFactory->CreateInstance(nullptr, iid, out);
  classFactory->Release();
  return result;
}

}  // namespace hf::test
