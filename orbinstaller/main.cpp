// Process entry of the setup program.
#include <windows.h>

#include <cstdlib>
#include <exception>

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

// An exception nothing catches ends the process as before (abort). The library's default
// handler would first print the exception's type to a console a windowed setup does not
// have, and brings the C++ name demangler (about 46 KB) into every setup for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return ORBRunInstaller(instance); }
