#include "app.h"

#include <exception>
#include <new>

#include "arguments.h"
#include "commands.h"
#include "exit_codes.h"
#include "usage.h"

#ifndef HOTFOLDERS_VERSION
#error "HOTFOLDERS_VERSION must come from the build"
#endif

namespace hf::cli {

namespace {

int Run(const std::vector<std::u16string> &args, Host &host) {
  const ParsedArguments parsed = ParseArguments(args);
  if (!parsed.invocation) {
    host.WriteErr("hotfolders: " + parsed.error + "\n");
    return kExitUsage;
  }
  const Invocation &invocation = *parsed.invocation;
  switch (invocation.command) {
    case Command::help:
      host.WriteOut(UsageText(host.DefaultLibraryLocation(), host.SettingsKeyLocation()));
      return kExitOk;
    case Command::version:
      host.WriteOut("hotfolders " HOTFOLDERS_VERSION "\n");
      return kExitOk;
    case Command::init:
      return RunInit(host);
    default:
      break;
  }

  // The library answers a missing key with bare zeros; check first so that the
  // message can say what to do.
  const KeyProbe probe = host.ProbeSettingsKey();
  if (probe.state == KeyState::missing) {
    host.WriteErr("hotfolders: the settings key " + host.SettingsKeyLocation() +
                  " does not exist; run `hotfolders init` to create it\n");
    return kExitKeyMissing;
  }
  if (probe.state == KeyState::unreachable) {
    host.WriteErr("hotfolders: cannot open the settings key " + host.SettingsKeyLocation() + ": " +
                  probe.detail + "; check that the current user may read it\n");
    return kExitKeyUnreachable;
  }

  // A command that writes would leave the key as it was, and the library
  // cannot always say so (a rebuild reports success): stop first.
  const bool writes = invocation.command == Command::remove || invocation.command == Command::update;
  if (writes && !probe.writable) {
    host.WriteErr("hotfolders: the settings key " + host.SettingsKeyLocation() +
                  " is read-only for the current user (" + probe.detail + "); `hotfolders " +
                  (invocation.command == Command::remove ? "delete" : "update") +
                  "` must write to it, so nothing was changed; check that the current user may write to it\n");
    return kExitKeyUnreachable;
  }

  LoadedLibrary loaded = host.OpenLibrary(invocation.library);
  if (!loaded.library) {
    host.WriteErr("hotfolders: " + loaded.error +
                  "; reinstall hotFolders or name the library with --library PATH\n");
    return kExitNotLoaded;
  }
  return RunLibraryCommand(invocation, *loaded.library, host);
}

}  // namespace

int RunCli(const std::vector<std::u16string> &args, Host &host) noexcept {
  try {
    try {
      return Run(args, host);
    } catch (const std::bad_alloc &) {
      host.WriteErr("hotfolders: out of memory; close other programs and try again\n");
    } catch (const std::exception &error) {
      host.WriteErr(std::string("hotfolders: unexpected failure: ") + error.what() + "; please report it\n");
    }
  } catch (...) {
  }
  return kExitLibraryFailed;
}

}  // namespace hf::cli
