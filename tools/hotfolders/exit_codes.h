// Exit statuses of `hotfolders`, as --help documents them.
#pragma once

namespace hf::cli {

constexpr int kExitOk = 0;
constexpr int kExitLibraryFailed = 1;   // the library reported failure, or the tool ran out of memory
constexpr int kExitUsage = 2;           // the command line is wrong
constexpr int kExitNotLoaded = 3;       // the library or one of its exports could not be loaded
constexpr int kExitKeyMissing = 4;      // the settings key does not exist: run `hotfolders init`
constexpr int kExitKeyUnreachable = 5;  // the settings key cannot be created, read, or written by a command that changes it
constexpr int kExitNotStored = 6;       // a change was not stored although the key is writable: a full disk or damaged value

}  // namespace hf::cli
