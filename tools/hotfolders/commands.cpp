#include "commands.h"

#include <chrono>
#include <cstdio>

#include "exit_codes.h"
#include "folder_reader.h"
#include "json.h"
#include "table.h"

namespace hf::cli {

namespace {

constexpr char kEmptyList[] =
    "No folders are stored; run `hotfolders update` to rank them from the history logs.\n";

void PrintList(Host &host, const std::vector<StoredFolder> &folders, bool json) {
  if (json) {
    host.WriteOut(JsonFolderList(folders));
  } else {
    host.WriteOut(folders.empty() ? std::string(kEmptyList) : FormatTable(folders));
  }
}

int ListUnreadable(Host &host, std::int32_t index) {
  host.WriteErr("hotfolders: the library did not deliver folder " + std::to_string(index + 1) +
                " of the stored list, even with room for " + std::to_string(kMaxPathCapacity - 1) +
                " characters; run `hotfolders update` to rebuild the list\n");
  return kExitLibraryFailed;
}

int RunList(Host &host, FolderLibrary &library, bool json) {
  const ReadList list = ReadStoredList(library);
  if (!list.ok) return ListUnreadable(host, list.failedIndex);
  PrintList(host, list.folders, json);
  return kExitOk;
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

int RunDelete(Host &host, FolderLibrary &library, const std::u16string &folder) {
  // The library does not say whether the folder was listed: look first.
  const ReadList list = ReadStoredList(library);
  if (!list.ok) return ListUnreadable(host, list.failedIndex);
  bool listed = false;
  for (const StoredFolder &stored : list.folders) listed = listed || stored.path == folder;

  if (library.DeletePath(folder.c_str()) != 1) {
    host.WriteErr("hotfolders: the library could not delete the folder: the settings key " +
                  host.SettingsKeyLocation() +
                  " could not be opened for writing; check that the current user may write to it\n");
    return kExitLibraryFailed;
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
    host.WriteErr("hotfolders: the library could not rebuild the list: it could not read the "
                  "removed folders from the settings key " + host.SettingsKeyLocation() +
                  "; check that the key exists (`hotfolders init`) and that the current user may read it\n");
    return kExitLibraryFailed;
  }
  const ReadList list = ReadStoredList(library);
  if (!list.ok) return ListUnreadable(host, list.failedIndex);
  if (json) {
    host.WriteOut(JsonFolderList(list.folders, &seconds));
  } else {
    char line[80];
    std::snprintf(line, sizeof line, "Rebuilt the list in %.2f s.\n", seconds);
    host.WriteOut(line);
    PrintList(host, list.folders, false);
  }
  return kExitOk;
}

}  // namespace

int RunInit(Host &host) {
  const KeyProbe probe = host.ProbeSettingsKey();
  if (probe.state == KeyState::present) {
    host.WriteOut("The settings key " + host.SettingsKeyLocation() + " already exists.\n");
    return kExitOk;
  }
  std::string error;
  if (!host.CreateSettingsKey(error)) {
    host.WriteErr("hotfolders: could not create the settings key " + host.SettingsKeyLocation() +
                  ": " + error + "; check that the current user may write there\n");
    return kExitKeyUnreachable;
  }
  host.WriteOut("Created the settings key " + host.SettingsKeyLocation() + ".\n");
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
