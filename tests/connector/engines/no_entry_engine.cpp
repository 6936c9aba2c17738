// A test engine library without DllGetClassObject.
#include "engine_export.h"

TEST_ENGINE_EXPORT int NoEntryEngineMarker() { return 1; }
