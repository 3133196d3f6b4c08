#include "orbexitcode.h"

#include <atomic>
#include <cstring>

#include "orbrawglobal.h"
#include "orbscriptnames.h"

bool ORBStandardExitCodes(lua_State* L) {
    ORBPushRawGlobal(L, kORBGlobalExitCodes);
    const char* mode = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : nullptr;
    const bool standard = mode && std::strcmp(mode, "standard") == 0;
    lua_pop(L, 1);
    return standard;
}

int ORBExitCode(lua_State* L, ORBOutcome outcome) {
    if (!ORBStandardExitCodes(L)) return outcome == ORBOutcome::kInstalled ? 1 : 0;
    switch (outcome) {
    case ORBOutcome::kInstalled:
        return ORBRawGlobalBoolean(L, kORBGlobalRestartRequired) ? kORBExitRestartRequired : kORBExitInstalled;
    case ORBOutcome::kCancelled:
        return kORBExitCancelled;
    case ORBOutcome::kAnotherInstance:
        return kORBExitAnotherInstance;
    case ORBOutcome::kBadCommandLine:
        return kORBExitBadCommandLine;
    case ORBOutcome::kFailed:
        break;
    }
    return kORBExitFailed;
}

bool ORBUnattendedRun(lua_State* L) {
    return ORBRawGlobalBoolean(L, kORBGlobalSilentInstall) || ORBRawGlobalBoolean(L, kORBGlobalPassiveInstall) ||
           ORBRawGlobalBoolean(L, kORBGlobalSuppressMsgBoxes);
}

namespace {
std::atomic<ORBBeforeFailedExitFn> g_beforeFailedExit{nullptr};
}

void ORBSetBeforeFailedExit(ORBBeforeFailedExitFn fn) { g_beforeFailedExit = fn; }

void ORBRunBeforeFailedExit() {
    if (ORBBeforeFailedExitFn fn = g_beforeFailedExit.exchange(nullptr)) fn();
}
