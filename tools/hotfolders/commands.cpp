#include "commands.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "folder_reader.h"
#include "json.h"
#include "table.h"

namespace hf::cli {

namespace {

constexpr char kEmptyList[] =
    "No folders are stored; run `hotfolders update` to rank them from the history logs.\n";

// The start of the message for entries that the library would not deliver
// even into the largest buffer.
std::string NotDelivered(const std::vector<std::int32_t> &indices) {
  std::string numbers;
  for (std::size_t i = 0; i < indices.size(); ++i)
    numbers += (i == 0 ? "" : ", ") + std::to_string(indices[i] + 1);
  return "hotfolders: the library did not deliver " +
         std::string(indices.size() == 1 ? "folder " : "folders ") + numbers +
         " of the stored list, even with room for " + std::to_string(kMaxPathCapacity - 1) + " characters";
}

int ListUnreadable(Host &host, std::int32_t index) {
  host.WriteErr(NotDelivered({index}) + "; run `hotfolders update` to rebuild the list\n");
  return kExitLibraryFailed;
}

// Prints the list read back; entries that could not be read are named on
// standard error and make the command fail, the others are still shown.
int PrintReadList(Host &host, const ReadList &list, bool json, const double *seconds = nullptr) {
  if (json) {
    host.WriteOut(JsonFolderList(list.folders, seconds));
  } else {
    if (seconds != nullptr) {
      char line[80];
      std::snprintf(line, sizeof line, "Rebuilt the list in %.2f s.\n", *seconds);
      host.WriteOut(line);
    }
    const bool empty = list.folders.empty() && list.unreadable.empty();
    host.WriteOut(empty ? std::string(kEmptyList) : FormatTable(list.folders));
  }
  if (list.unreadable.empty()) return kExitOk;
  host.WriteErr(NotDelivered(list.unreadable) + "; the list above leaves " +
                (list.unreadable.size() == 1 ? "it" : "them") + " out; run `hotfolders update` to rebuild the list\n");
  return kExitLibraryFailed;
}

int RunList(Host &host, FolderLibrary &library, bool json) {
  return PrintReadList(host, ReadStoredList(library), json);
}

int RunCount(Host &host, FolderLibrary &library) {
  host.WriteOut(std::to_string(library.GetPathCount()) + "\n");
  return kExitOk;
}

int RunGet(Host &host, FolderLibrary &library, std::int32_t rank, bool json) {
  const ReadFolder read = ReadStoredFolder(library, rank - 1);
  if (read.outcome == ReadOutcome::absent) {
    host.WriteErr("hotfolders: there is no folder " + std::to_string(rank) + ": the list holds " +
                  std::to_string(library.GetPathCount()) + "; see `hotfolders list`\n");
    return kExitLibraryFailed;
  }
  if (read.outcome == ReadOutcome::failed) return ListUnreadable(host, rank - 1);
  host.WriteOut(json ? JsonFolder(rank, read.folder) + "\n" : FormatTable({read.folder}, rank));
  return kExitOk;
}

// After the library failed to write: the reason the key shows now, when it
// shows one (gone, not readable or writable, its disk full), reported with its
// exit status. `failed` says what could not be done.
std::optional<int> ReportKeyProblem(Host &host, const std::string &failed) {
  const KeyProbe probe = host.ProbeSettingsKey();
  const std::string key = host.SettingsKeyLocation();
  if (probe.state == KeyState::missing) {
    host.WriteErr("hotfolders: " + failed + ": the settings key " + key +
                  " no longer exists; run `hotfolders init` to create it\n");
    return kExitKeyMissing;
  }
  if (probe.state == KeyState::unreachable || !probe.writable) {
    host.WriteErr("hotfolders: " + failed + ": the settings key " + key +
                  " could not be opened for writing (" + probe.detail +
                  "); check that the current user may write to it\n");
    return kExitKeyUnreachable;
  }
  if (probe.diskFull) {
    host.WriteErr("hotfolders: " + failed + ": the disk that holds the settings key " + key +
                  " is full; free some space and try again\n");
    return kExitNotStored;
  }
  return std::nullopt;
}

int RunDelete(Host &host, FolderLibrary &library, const std::u16string &folder) {
  // The library does not say whether the folder was listed: look first. An
  // entry that cannot be read is longer than any folder a command line can
  // carry, so it cannot be this one.
  const ReadList list = ReadStoredList(library);
  bool listed = false;
  for (const StoredFolder &stored : list.folders) listed = listed || stored.path == folder;

  if (library.DeletePath(folder.c_str()) != 1) {
    const std::string failed = "the library could not delete the folder";
    if (const auto status = ReportKeyProblem(host, failed)) return *status;
    host.WriteErr("hotfolders: " + failed + ": the change could not be stored in the settings key " +
                  host.SettingsKeyLocation() +
                  " although the current user may write to it; the disk may be full or over quota, "
                  "a file size limit may have been reached, or a stored value may be damaged\n");
    return kExitNotStored;
  }
  if (listed) {
    host.WriteOut("Removed " + DisplayPath(folder) +
                  " from the list; later rebuilds will leave it out.\n");
  } else {
    host.WriteOut(DisplayPath(folder) +
                  " was not in the list; nothing was removed (folders must match exactly, "
                  "case included: see `hotfolders list`).\n");
  }
  return kExitOk;
}

int RunUpdate(Host &host, FolderLibrary &library, bool json) {
  const auto start = std::chrono::steady_clock::now();
  const std::int32_t result = library.UpdatePath();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != 1) {
    const std::string failed = "the library could not rebuild the list";
    if (const auto status = ReportKeyProblem(host, failed)) return *status;
    host.WriteErr("hotfolders: " + failed + ": nothing was stored in the settings key " +
                  host.SettingsKeyLocation() +
                  "; the removed folders (the value deletepath) may be damaged or unreadable, the disk "
                  "may be full, or the key's lock may be unusable; the old list is kept (check that the key "
                  "exists: `hotfolders init`)\n");
    return kExitLibraryFailed;
  }
  return PrintReadList(host, ReadStoredList(library), json, &seconds);
}

}  // namespace

int RunInit(Host &host) {
  const std::string key = host.SettingsKeyLocation();
  const KeyProbe before = host.ProbeSettingsKey();
  if (before.state == KeyState::present && before.writable) {
    host.WriteOut("The settings key " + key + " already exists.\n");
    return kExitOk;
  }
  if (before.state != KeyState::present) {
    // Missing, or not readable: creating reports why a key cannot be made;
    // the probe below tells whether the one that exists can be used.
    std::string error;
    if (!host.CreateSettingsKey(error)) {
      host.WriteErr("hotfolders: could not create the settings key " + key + ": " + error +
                    "; check that the current user may write there\n");
      return kExitKeyUnreachable;
    }
  }
  const KeyProbe after = before.state == KeyState::present ? before : host.ProbeSettingsKey();
  if (after.state != KeyState::present || !after.writable) {
    host.WriteErr("hotfolders: the settings key " + key + " exists, but the current user may not " +
                  (after.state == KeyState::present ? "write to" : "read") + " it (" + after.detail +
                  "); give the current user read and write access to it\n");
    return kExitKeyUnreachable;
  }
  host.WriteOut("Created the settings key " + key + ".\n");
  return kExitOk;
}

int RunLibraryCommand(const Invocation &invocation, FolderLibrary &library, Host &host) {
  switch (invocation.command) {
    case Command::list: return RunList(host, library, invocation.json);
    case Command::count: return RunCount(host, library);
    case Command::get: return RunGet(host, library, invocation.rank, invocation.json);
    case Command::remove: return RunDelete(host, library, invocation.folder);
    case Command::update: return RunUpdate(host, library, invocation.json);
    default: break;
  }
  host.WriteErr("hotfolders: internal error: command without a library action; please report it\n");
  return kExitUsage;
}

}  // namespace hf::cli
