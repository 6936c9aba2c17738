// Test doubles for the platform's library loader and COM run-time, and the
// places of the test engines.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engines/engine_state.h"
#include "platform/com_runtime.h"
#include "platform/modules.h"

namespace hf::test {

// Path of a test engine built beside the test executable: <dir>/engines/<name>.dll.
std::string TestEnginePath(const std::string &name);
// Directory of the test executable, with its trailing separator.
std::string TestDirectory();
// Replaces every '\\' of a path written Windows-style with the platform's separator.
std::string NativeSeparators(std::string path);

// Forwards to the system loader, except that it reports a chosen host
// executable path, loads a chosen file in place of a requested path, and can
// answer the search itself. Records every request.
class RecordingModules final : public platform::Modules {
 public:
  std::optional<std::string> hostPath;                 // reported instead of the real one
  std::optional<std::uint32_t> hostResult;             // result reported with hostPath
  std::map<std::string, std::string> redirects;        // requested path -> file really loaded
  std::optional<std::string> searchAnswer;             // found path, or nullopt: forward
  std::optional<std::uint32_t> searchResult;           // result reported with searchAnswer

  std::vector<std::string> loadRequests;
  std::vector<std::string> searchRequests;
  std::vector<platform::ModuleHandle> loaded;
  std::vector<platform::ModuleHandle> freed;

  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override;
  platform::ModuleHandle Load(const char *path) override;
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override;
  void *Symbol(platform::ModuleHandle module, const char *name) override;
  void Free(platform::ModuleHandle module) override;
};

// An engine library loaded by the test itself, so that its state outlives the
// connector's load.
class LoadedEngine {
 public:
  explicit LoadedEngine(const std::string &path);
  ~LoadedEngine();
  LoadedEngine(const LoadedEngine &) = delete;
  LoadedEngine &operator=(const LoadedEngine &) = delete;

  platform::ModuleHandle Handle() const { return module_; }
  // The scripted engine's state, or null when the library has none.
  EngineState *State() const { return state_; }

 private:
  platform::ModuleHandle module_ = nullptr;
  EngineState *state_ = nullptr;
};

// A COM run-time with no out-of-process server. Records every activation.
class NoServerCom : public platform::ComRuntime {
 public:
  struct Activation {
    Guid clsid;
    std::uint32_t context;
    Guid iid;
  };
  std::vector<Activation> activations;

  HRESULT Initialize() override { return kS_OK; }
  void Uninitialize() override {}
  HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) override;
};

// A COM run-time whose "server" hands out engines of a loaded engine library.
class ServingCom final : public NoServerCom {
 public:
  explicit ServingCom(const LoadedEngine &engine) : engine_(engine) {}
  HRESULT CreateInstance(const Guid &clsid, std::uint32_t context, const Guid &iid, void **out) override;

 private:
  const LoadedEngine &engine_;
};

}  // namespace hf::test
