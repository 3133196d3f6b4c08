// Script type modules and the global tables built from them.
#include "orbscripttypes.h"

#include "orbscriptapi.h"

const luaL_Reg kORBScriptModules[] = {
    {"AString", ORBOpenAString},
    {"WString", ORBOpenWString},
    {"RawBuffer", ORBOpenRawBuffer},
    {"DllManager", ORBOpenDllManager},
    {nullptr, nullptr},
};

void ORBRegisterScriptTables(lua_State* L) { ORBCreateGLibTab(L); }

bool ORBIsScriptType(lua_State* L, int idx, const char* meta) {
    if (lua_type(L, idx) != LUA_TUSERDATA || !lua_getmetatable(L, idx)) return false;
    luaL_getmetatable(L, meta);
    bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return same;
}
