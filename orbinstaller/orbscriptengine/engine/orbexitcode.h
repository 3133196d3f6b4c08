// Process exit codes: the default pair (1 installed, 0 anything else) or, with
// global_exit_codes = "standard", the codes deployment tools understand.
#pragma once

#include "lua.h"

enum class ORBOutcome {
    kInstalled,        // 1 | 0, or 3010 when global_restart_required is set
    kCancelled,        // 0 | 1602
    kFailed,           // 0 | 1603
    kAnotherInstance,  // 0 | 1618
    kBadCommandLine,   // 0 | 87
};

// Standard codes named here; scripts see the same numbers through their modules.
constexpr int kORBExitInstalled = 0;
constexpr int kORBExitRestartRequired = 3010;
constexpr int kORBExitCancelled = 1602;
constexpr int kORBExitFailed = 1603;
constexpr int kORBExitAnotherInstance = 1618;
constexpr int kORBExitBadCommandLine = 87;

// The exit code for outcome under the product's setting, read from the scripts'
// globals without metamethods (safe inside the error handler). The caller holds the
// interpreter.
int ORBExitCode(lua_State* L, ORBOutcome outcome);

// True when global_exit_codes is "standard".
bool ORBStandardExitCodes(lua_State* L);

// True when the run asks nothing of the user: global_silent_install,
// global_passive_install or global_suppress_msgboxes is set (read like ORBExitCode).
bool ORBUnattendedRun(lua_State* L);

// Called before the process ends on a failure no script code sees (a script error, the
// Abort answer of a deletion): the install journal's rollback. nullptr for none.
using ORBBeforeFailedExitFn = void (*)();
void ORBSetBeforeFailedExit(ORBBeforeFailedExitFn fn);
// Runs the function set above, once.
void ORBRunBeforeFailedExit();
