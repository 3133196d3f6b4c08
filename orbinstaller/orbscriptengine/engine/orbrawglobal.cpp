#include "orbrawglobal.h"

#include <cstddef>

#include "orbstring.h"

void ORBPushRawGlobal(lua_State* L, const char* name) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushstring(L, name);
    lua_rawget(L, -2);
    lua_remove(L, -2);
}

std::wstring ORBRawGlobalText(lua_State* L, const char* name) {
    ORBPushRawGlobal(L, name);
    std::wstring value;
    if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
        size_t len = 0;
        const char* s = lua_tolstring(L, -1, &len);
        value = ORBUtf8ToWide(s, static_cast<std::ptrdiff_t>(len));
    }
    lua_pop(L, 1);
    return value;
}

bool ORBRawGlobalBoolean(lua_State* L, const char* name) {
    ORBPushRawGlobal(L, name);
    const bool value = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
    return value;
}
