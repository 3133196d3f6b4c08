// The installer's entry flow: scripts, single instance, platform start-up, hooks.
#pragma once

#include <windows.h>

// Default single-instance mutex name, used when the scripts name none.
extern const wchar_t kORBDefaultMutexName[];

// Runs the whole installer; returns the exit code: 1 when the flow reached its end,
// 0 otherwise, or the standard codes when the scripts ask for them (orbexitcode.h).
int ORBRunInstaller(HINSTANCE instance);
