// Installer functions: the machine's native architecture and folders (added after the
// first ones, registered last).
#include "orbarch.h"
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

}  // namespace

const luaL_Reg kORBPlatformFunctions[] = {
    {"Lua_GetNativeArchitecture", Lua_GetNativeArchitecture},
    {"Lua_GetNativeFolder", Lua_GetNativeFolder},
    {nullptr, nullptr},
};
