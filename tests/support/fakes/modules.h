// Library loading for tests: a forwarding base, a loader that finds nothing,
// and a recording loader with redirects and libraries held in memory.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/scripted_engine.h"
#include "platform/modules.h"

namespace hf::fakes {

// Forwards every call to a target loader, so that a fake derived from it
// overrides only the calls it changes.
class ModulesWrapper : public platform::Modules {
 public:
  explicit ModulesWrapper(platform::Modules *target) : target_(target) {}

  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    return target_->HostExecutablePath(buffer, size);
  }
  platform::ModuleHandle Load(const char *path) override { return target_->Load(path); }
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override {
    return target_->Search(file, buffer, size);
  }
  void *Symbol(platform::ModuleHandle module, const char *name) override { return target_->Symbol(module, name); }
  void Free(platform::ModuleHandle module) override { target_->Free(module); }
  std::uint32_t HostExecutablePathWide(char16_t *buffer, std::uint32_t size) override {
    return target_->HostExecutablePathWide(buffer, size);
  }
  platform::ModuleHandle LoadWide(const char16_t *path) override { return target_->LoadWide(path); }
  std::uint32_t SearchWide(const char16_t *file, char16_t *buffer, std::uint32_t size) override {
    return target_->SearchWide(file, buffer, size);
  }

 private:
  platform::Modules *target_;
};

// A loader that finds no library anywhere; the host is "nowhere/bin/host".
platform::Modules &NoModules();

// A loader over a target (the system's by default) that can report another
// host executable path, load another file than the one requested, answer the
// search itself, and serve a scripted engine from a library held in memory.
// Records every request and notes handles used when not loaded. Safe to call
// from several threads; the test reads the records once the library is done.
class FakeModules final : public ModulesWrapper {
 public:
  explicit FakeModules(platform::Modules *target = &platform::SystemModules()) : ModulesWrapper(target) {}
  ~FakeModules() override;
  FakeModules(const FakeModules &) = delete;
  FakeModules &operator=(const FakeModules &) = delete;

  std::optional<std::string> hostPath;           // reported as GetModuleFileNameA would, up to its first NUL
  std::optional<std::uint32_t> hostResult;       // result reported with hostPath instead of the true one
  std::map<std::string, std::string> redirects;  // requested path -> file really loaded
  std::optional<std::string> redirectAll;        // file loaded for any other request
  std::optional<std::string> searchAnswer;       // found path, or nullopt: forward
  std::optional<std::uint32_t> searchResult;     // result reported with searchAnswer instead of the true one

  // A library in memory whose DllGetClassObject serves this engine; a load of
  // memoryPath (of any path when unset) gets it. One such library at a time.
  ScriptedEngine *memoryEngine = nullptr;
  std::optional<std::string> memoryPath;
  bool memoryHasEntry = true;  // false: the library has no DllGetClassObject

  std::vector<std::string> loadRequests;
  std::vector<std::string> searchRequests;
  std::vector<platform::ModuleHandle> loaded;
  std::vector<platform::ModuleHandle> freed;

  // Libraries loaded and not yet freed.
  int Held() const;
  // The first misuse seen (a null argument, a handle used when not loaded), or nullptr.
  const char *Misuse() const;

  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override;
  // With hostPath set, the wide form is not available, so the connection
  // takes the 8-bit road with the reported path.
  std::uint32_t HostExecutablePathWide(char16_t *buffer, std::uint32_t size) override {
    return hostPath ? 0 : ModulesWrapper::HostExecutablePathWide(buffer, size);
  }
  platform::ModuleHandle Load(const char *path) override;
  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override;
  void *Symbol(platform::ModuleHandle module, const char *name) override;
  void Free(platform::ModuleHandle module) override;

 private:
  void Note(const char *misuse);  // mutex_ held

  mutable std::mutex mutex_;
  std::multiset<platform::ModuleHandle> live_;
  std::set<platform::ModuleHandle> inMemory_;
  const char *misuse_ = nullptr;
};

// Directory of the test executable, with its trailing separator.
std::string TestDirectory();
// Path of a test engine library built beside the tests: <dir>/engines/<name>.dll.
std::string TestEnginePath(const std::string &name);
// Replaces every '\\' of a path written Windows-style with the platform's separator.
std::string NativeSeparators(std::string path);

// A scripted engine library loaded by the test itself through the system
// loader, so that its engine outlives the library's own loads and frees.
class LoadedEngine {
 public:
  explicit LoadedEngine(const std::string &path);
  ~LoadedEngine();  // resets the engine, then frees the library
  LoadedEngine(const LoadedEngine &) = delete;
  LoadedEngine &operator=(const LoadedEngine &) = delete;

  platform::ModuleHandle Handle() const { return module_; }
  // The library's engine, or nullptr when it did not load or has none.
  ScriptedEngine *Engine() const { return engine_; }

 private:
  platform::ModuleHandle module_ = nullptr;
  ScriptedEngine *engine_ = nullptr;
};

// The entry through which a scripted engine library hands out its engine.
using ScriptedEngineInstanceFn = ScriptedEngine *(*)();
constexpr char kScriptedEngineInstance[] = "ScriptedEngineInstance";

}  // namespace hf::fakes
