// The scripted engine as a loadable engine library: DllGetClassObject serves
// the library's one engine, and ScriptedEngineInstance hands the test that
// engine to script and to read.
#include "fakes/engine_export.h"
#include "fakes/scripted_engine.h"

namespace {
hf::fakes::ScriptedEngine engine;
}  // namespace

TEST_ENGINE_EXPORT hf::fakes::ScriptedEngine *ScriptedEngineInstance() { return &engine; }

TEST_ENGINE_EXPORT hf::HRESULT DllGetClassObject(const hf::Guid &clsid, const hf::Guid &iid, void **out) {
  return engine.GetClassObject(clsid, iid, out);
}
