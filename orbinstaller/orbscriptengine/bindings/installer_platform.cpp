// Installer functions: the machine's native architecture and folders, the setup's
// rights and its elevated second run (added after the first ones, registered last).
#include "orbarch.h"
#include "orbelevation.h"
#include "orbscriptapi.h"
#include "orbscriptargs.h"

namespace {

// Lua_GetNativeArchitecture() -> "x86" | "x64" | "ARM64" | "" (another machine)
int Lua_GetNativeArchitecture(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBPushString(L, ORBNativeArchitecture());
        return 1;
    });
}

// Lua_GetNativeFolder(name) -> native "ProgramFiles", "CommonFiles" or "System"
// folder, no trailing backslash; nil for another name
int Lua_GetNativeFolder(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring folder = ORBNativeFolder(ORBArgString(L, 1));
        if (folder.empty())
            lua_pushnil(L);
        else
            ORBPushString(L, folder);
        return 1;
    });
}

// Lua_IsElevated() -> true when the setup runs with administrator rights (elevated)
int Lua_IsElevated(lua_State* L) {
    lua_pushboolean(L, ORBIsElevated());
    return 1;
}

// Lua_RunElevated(parameters) -> the exit code of the setup run again elevated with
// these parameters, after it ended; nil and the system error when it did not start
// (1223: the user declined)
int Lua_RunElevated(lua_State* L) {
    return ORBProtect(L, [&] {
        DWORD code = 0;
        if (ORBRunElevated(ORBArgString(L, 1), ORBSilentRun(L), code)) {
            lua_pushnumber(L, code);
            return 1;
        }
        DWORD err = GetLastError();
        lua_pushnil(L);
        lua_pushnumber(L, err);
        return 2;
    });
}

}  // namespace

const luaL_Reg kORBPlatformFunctions[] = {
    {"Lua_GetNativeArchitecture", Lua_GetNativeArchitecture},
    {"Lua_GetNativeFolder", Lua_GetNativeFolder},
    {"Lua_IsElevated", Lua_IsElevated},
    {"Lua_RunElevated", Lua_RunElevated},
    {nullptr, nullptr},
};
