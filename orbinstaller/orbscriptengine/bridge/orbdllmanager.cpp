// The native library bridge: library objects (a userdata block holding the module
// handle), DllManager.Load, GLibTab and the bound native functions.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "orblibrary.h"
#include "orblog.h"
#include "orbnativecall.h"
#include "orbscriptargs.h"
#include "orbscripttypes.h"
#include "orbstring.h"

const char kORBLibraryMeta[] = "DllManagerMetaTable";
static const char kGLibTabMeta[] = "GlobalLibTableMetaTable";

namespace {

// The library object is made before the library is loaded, so that a memory error in
// the interpreter cannot leave a loaded module without an owner. Returns null (object
// popped) when the load fails; the last error is left as the system set it. A bare
// name comes from the system folder only, never from the setup's folder.
HMODULE* PushLibrary(lua_State* L, const std::wstring& name) {
    HMODULE* lib = static_cast<HMODULE*>(lua_newuserdata(L, sizeof(HMODULE)));
    *lib = nullptr;
    luaL_setmetatable(L, kORBLibraryMeta);
    *lib = ORBLoadLibraryConfined(name);
    if (!*lib) {
        DWORD error = GetLastError();
        lua_pop(L, 1);
        SetLastError(error);
        return nullptr;
    }
    return lib;
}

// DllManager.Load(path): the path is the top value, so dot and method syntax both work.
int Load(lua_State* L) {
    return ORBProtect(L, [L] {
        std::wstring path = lua_gettop(L) > 0 ? ORBArgString(L, -1) : std::wstring();
        if (PushLibrary(L, path)) return 1;
        DWORD error = GetLastError();
        lua_pushnil(L);
        lua_pushunsigned(L, error);
        return 2;
    });
}

// Releases the module once; the object stays, marked unloaded (null handle), so later
// Get calls fail instead of looking into a freed module and a second UnLoad does nothing.
int UnLoad(lua_State* L) {
    if (lua_gettop(L) > 0)
        if (HMODULE* lib = static_cast<HMODULE*>(luaL_testudata(L, -1, kORBLibraryMeta)))
            if (*lib) {
                FreeLibrary(*lib);
                *lib = nullptr;
            }
    lua_pushnil(L);
    return 1;
}

// A bound function whose library object was unloaded may only run while the module
// is still mapped (another object or the system can hold it).
bool ModuleMapped(void* fn) {
    HMODULE h = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(fn), &h) != 0;
}

// One script argument as one native word. Numbers pass their integer value: on i686
// -2147483648..4294967295 arrive as their low 32 bits; on x86_64 the whole 64-bit
// value fills the slot, so a 32-bit parameter still sees the same low 32 bits.
ORBNativeWord Marshal(lua_State* L, int idx) {
    switch (lua_type(L, idx)) {
    case LUA_TNIL: return 0;
    case LUA_TBOOLEAN: return lua_toboolean(L, idx) ? 1 : 0;
    case LUA_TNUMBER:
        return static_cast<ORBNativeWord>(ORBNumberBits(lua_tonumberx(L, idx, nullptr)));
    case LUA_TSTRING: return reinterpret_cast<ORBNativeWord>(lua_tolstring(L, idx, nullptr));
    case LUA_TLIGHTUSERDATA:
    case LUA_TUSERDATA: return reinterpret_cast<ORBNativeWord>(lua_touserdata(L, idx));
    }
    luaL_error(L, "unknow argument type");
    return 0;
}

// Converts the result word by the return type name. "int", "uint" and "bool" read the
// low 32 bits (the upper half of the x86_64 return register is undefined for them);
// "ptr" keeps the whole word.
void PushResult(lua_State* L, const char* type, ORBNativeWord v) {
    uint32_t low = static_cast<uint32_t>(v);
    if (!type)
        lua_pushnil(L);
    else if (std::strcmp(type, "int") == 0)
        lua_pushinteger(L, static_cast<int32_t>(low));
    else if (std::strcmp(type, "uint") == 0)
        lua_pushunsigned(L, low);
    else if (std::strcmp(type, "bool") == 0)
        lua_pushboolean(L, low != 0);
    else if (std::strcmp(type, "astr") == 0)
        ORBPushString(L, ORBAnsiToWide(reinterpret_cast<const char*>(v)));
    else if (std::strcmp(type, "wstr") == 0)
        ORBPushString(L, std::wstring(v ? reinterpret_cast<const wchar_t*>(v) : L""));
    else if (std::strcmp(type, "ptr") == 0)
        lua_pushlightuserdata(L, reinterpret_cast<void*>(v));
    else
        lua_pushnil(L);
}

// Upvalues: 1 return type, 2 caller-cleans flag, 3 export address, 4 library object.
int CallNative(lua_State* L) {
    void* fn = lua_touserdata(L, lua_upvalueindex(3));
    if (!fn) {
        lua_pushinteger(L, 0);
        return 1;
    }
    bool callerCleans = lua_toboolean(L, lua_upvalueindex(2)) != 0;
    const HMODULE* lib = static_cast<const HMODULE*>(lua_touserdata(L, lua_upvalueindex(4)));
    if (lib && !*lib && !ModuleMapped(fn))
        return luaL_error(L, "native function called after its library was unloaded");
    int n = lua_gettop(L);
    if (n > kORBNativeMaxArgs)
        return luaL_error(L, "too many arguments for a native function (%d, at most %d)", n,
                          kORBNativeMaxArgs);
    ORBNativeWord args[kORBNativeMaxArgs];
    for (int i = 1; i <= n; ++i) args[i - 1] = Marshal(L, i);
    ORBNativeResult r = ORBCallNative(fn, args, n, callerCleans);
    return ORBProtect(L, [&] {
        PushResult(L, lua_tostring(L, lua_upvalueindex(1)), r.value);
        lua_pushunsigned(L, r.lastError);
        return 2;
    });
}

// lib:Get(name [, return type [, caller cleans]]): the last two of more than four
// arguments are taken as type and flag.
int Get(lua_State* L) {
    int n = lua_gettop(L);
    HMODULE* lib = static_cast<HMODULE*>(luaL_testudata(L, 1, kORBLibraryMeta));
    if (!lib) {
        ORBLog(L"if (nullptr == phMod)");
        lua_pushnil(L);
        lua_pushliteral(L, "hModule is nil");
        return 2;
    }
    if (!*lib) {
        lua_pushnil(L);
        lua_pushliteral(L, "library is unloaded");
        return 2;
    }
    const char* name = lua_tostring(L, 2);
    FARPROC fn = name ? GetProcAddress(*lib, name) : nullptr;
    if (!fn) {
        DWORD error = name ? GetLastError() : static_cast<DWORD>(ERROR_PROC_NOT_FOUND);
        OutputDebugStringW(L"if (nullptr == pfn)");
        lua_pushnil(L);
        lua_pushunsigned(L, error);
        return 2;
    }
    if (n >= 4) {
        lua_pushvalue(L, n - 1);
        lua_pushvalue(L, n);
    } else {
        if (n == 3)
            lua_pushvalue(L, 3);
        else
            lua_pushnil(L);
        lua_pushnil(L);
    }
    lua_pushlightuserdata(L, reinterpret_cast<void*>(fn));
    lua_pushvalue(L, 1);
    lua_pushcclosure(L, CallNative, 4);
    lua_pushinteger(L, 0);
    return 2;
}

// GLibTab[key]: loads the library named by a string or number key once and keeps it
// under that key; a failed load stores nothing, so the next read tries again.
int GLibTabIndex(lua_State* L) {
    int t = lua_type(L, 2);
    if (t != LUA_TSTRING && t != LUA_TNUMBER) {
        lua_pushnil(L);
        return 1;
    }
    return ORBProtect(L, [L] {
        lua_pushvalue(L, 2);  // a copy: converting a number key must not change the key
        std::wstring name = ORBArgString(L, -1);
        lua_pop(L, 1);
        if (!PushLibrary(L, name)) {
            lua_pushnil(L);
            return 1;
        }
        lua_pushvalue(L, 2);
        lua_pushvalue(L, -2);
        lua_rawset(L, 1);
        return 1;
    });
}

}  // namespace

int ORBOpenDllManager(lua_State* L) {
    static const luaL_Reg module[] = {{"Load", Load}, {nullptr, nullptr}};
    static const luaL_Reg meta[] = {{"UnLoad", UnLoad}, {"Get", Get}, {nullptr, nullptr}};
    luaL_newlib(L, module);
    luaL_newmetatable(L, kORBLibraryMeta);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    luaL_setfuncs(L, meta, 0);
    lua_pop(L, 1);
    return 1;
}

void ORBCreateGLibTab(lua_State* L) {
    static const luaL_Reg meta[] = {{"__index", GLibTabIndex}, {nullptr, nullptr}};
    luaL_newmetatable(L, kGLibTabMeta);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    luaL_setfuncs(L, meta, 0);
    lua_pop(L, 1);
    lua_newtable(L);
    luaL_setmetatable(L, kGLibTabMeta);
    lua_setglobal(L, "GLibTab");
}
