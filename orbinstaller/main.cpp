// Process entry of the setup program.
#include <windows.h>

#include "orbinstallerflow.h"
#include "orblibrary.h"

namespace {

void NTAPI RestrictDllSearchAtStart(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_ATTACH) ORBRestrictDllSearch();
}

}  // namespace

// A TLS callback runs before the C runtime and every static initialiser, so no library
// is ever looked for in the setup's folder.
extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK
    g_orbRestrictDllSearch = RestrictDllSearchAtStart;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return ORBRunInstaller(instance); }
