// A test engine library without DllGetClassObject.
#include "fakes/engine_export.h"

TEST_ENGINE_EXPORT int NoEntryEngineMarker() { return 1; }
