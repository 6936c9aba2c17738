// The rebuild of the ranked list from the engine's two history logs.
#pragma once

namespace hf {

// Loads the exclusions, reads both logs at once on two workers, merges their
// top lists and stores the best three in "hotFolders", less any folder removed
// while the logs were read (nothing is written when no folder was counted).
// Returns 1 when the harvest ran and what it found was stored; 0 when the
// exclusions could not be loaded whole (before the reading or before the
// write), the user's lock could not be taken, or the store refused the list.
int RunUpdate();

}  // namespace hf
