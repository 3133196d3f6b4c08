// Process entry of the setup program.
#include <windows.h>

#include "orbinstallerflow.h"
#include "orbscriptengine.h"

// The engine exists before the entry function runs.
ORBScriptEngine* g_pScriptEngine = ORBScriptEngine::GetInstance();

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return ORBRunInstaller(instance); }
