// A scripted library and host for running the tool without the system.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "folder_reader.h"
#include "host.h"

namespace hf::cli::test {

// Behaves like the library's exports over an in-memory list.
class FakeLibrary final : public FolderLibrary {
 public:
  explicit FakeLibrary(std::vector<StoredFolder> &folders) : folders_(folders) {}
  std::int32_t GetPathCount() override { return static_cast<std::int32_t>(folders_.size()); }
  std::int32_t GetLogPath(std::int32_t index, char16_t *buffer, std::uint32_t capacity,
                          std::int32_t *countOut) override {
    ++getLogPathCalls;
    if (index < 0 || index >= GetPathCount() || buffer == nullptr || capacity == 0) return 0;
    const StoredFolder &folder = folders_[static_cast<std::size_t>(index)];
    if (refuseEveryPath || index == refusedIndex || folder.path.size() >= capacity) return 0;
    std::copy(folder.path.begin(), folder.path.end(), buffer);
    buffer[folder.path.size()] = u'\0';
    *countOut = folder.hits;
    return 1;
  }
  std::int32_t DeletePath(const char16_t *folderPath) override {
    deleted.emplace_back(folderPath);
    if (!deleteSucceeds) {
      if (onFailedDelete) onFailedDelete();
      return 0;
    }
    folders_.erase(std::remove_if(folders_.begin(), folders_.end(),
                                  [&](const StoredFolder &f) { return f.path == folderPath; }),
                   folders_.end());
    return 1;
  }
  std::int32_t UpdatePath() override {
    ++updates;
    if (updateSucceeds) folders_ = rebuilt;
    return updateSucceeds ? 1 : 0;
  }

  bool refuseEveryPath = false;
  std::int32_t refusedIndex = -1;  // an entry never delivered, whatever the buffer
  bool deleteSucceeds = true;
  std::function<void()> onFailedDelete;  // what else a failed delete changes
  bool updateSucceeds = true;
  std::vector<StoredFolder> rebuilt;
  std::vector<std::u16string> deleted;
  int getLogPathCalls = 0;
  int updates = 0;

 private:
  std::vector<StoredFolder> &folders_;
};

// Records output; the key's state and the library's loading are scripted.
class FakeHost final : public Host {
 public:
  std::string DefaultLibraryLocation() const override { return "/opt/hf/lib/libhotFolders.so"; }
  std::string SettingsKeyLocation() const override { return "/cfg/hkcu/Software/Quorvane"; }
  KeyProbe ProbeSettingsKey() override {
    ++probes;
    KeyProbe probe{key, "Permission denied"};
    probe.writable = key == KeyState::present && writable;
    probe.diskFull = key == KeyState::present && diskFull;
    return probe;
  }
  bool CreateSettingsKey(std::string &error) override {
    if (!createSucceeds) {
      error = "Read-only file system";
      return false;
    }
    // Like mkdir on an existing directory: a key that is there stays as it is.
    if (key == KeyState::missing) key = KeyState::present;
    return true;
  }
  LoadedLibrary OpenLibrary(const std::optional<std::u16string> &path) override {
    openedWith = path;
    ++opens;
    if (!loads) return {nullptr, "cannot load the library /nowhere.so: no such file"};
    auto library = std::make_unique<FakeLibrary>(folders);
    library->rebuilt = rebuilt;
    library->deleteSucceeds = deleteSucceeds;
    library->updateSucceeds = updateSucceeds;
    library->refuseEveryPath = refuseEveryPath;
    library->refusedIndex = refusedIndex;
    library->onFailedDelete = onFailedDelete;
    return {std::move(library), {}};
  }
  void WriteOut(std::string_view text) override { out += text; }
  void WriteErr(std::string_view text) override { err += text; }

  KeyState key = KeyState::present;
  bool writable = true;   // with key present: the current user may write to it
  bool diskFull = false;  // with key present: its disk has no room left
  bool createSucceeds = true;
  bool loads = true;
  bool deleteSucceeds = true;
  bool updateSucceeds = true;
  bool refuseEveryPath = false;
  std::int32_t refusedIndex = -1;
  std::function<void()> onFailedDelete;
  std::vector<StoredFolder> folders;
  std::vector<StoredFolder> rebuilt;
  std::optional<std::u16string> openedWith;
  int opens = 0;
  int probes = 0;
  std::string out;
  std::string err;
};

}  // namespace hf::cli::test
