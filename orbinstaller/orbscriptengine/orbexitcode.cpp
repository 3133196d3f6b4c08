#include "orbexitcode.h"

#include <cstring>

namespace {

// Pushes the global's value; rawget, so a script's metatable on _G cannot run here.
void PushRawGlobal(lua_State* L, const char* name) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushstring(L, name);
    lua_rawget(L, -2);
    lua_remove(L, -2);
}

}  // namespace

bool ORBStandardExitCodes(lua_State* L) {
    PushRawGlobal(L, "global_exit_codes");
    const char* mode = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : nullptr;
    const bool standard = mode && std::strcmp(mode, "standard") == 0;
    lua_pop(L, 1);
    return standard;
}

bool ORBRawGlobalBoolean(lua_State* L, const char* name) {
    PushRawGlobal(L, name);
    const bool value = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
    return value;
}

int ORBExitCode(lua_State* L, ORBOutcome outcome) {
    if (!ORBStandardExitCodes(L)) return outcome == ORBOutcome::kInstalled ? 1 : 0;
    switch (outcome) {
    case ORBOutcome::kInstalled:
        return ORBRawGlobalBoolean(L, "global_restart_required") ? kORBExitRestartRequired : kORBExitInstalled;
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
    return ORBRawGlobalBoolean(L, "global_silent_install") || ORBRawGlobalBoolean(L, "global_passive_install") ||
           ORBRawGlobalBoolean(L, "global_suppress_msgboxes");
}
