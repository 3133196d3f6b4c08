// Installer functions: registry.
#include "orbjournal.h"
#include "orbregistry.h"
#include "orbscriptapi.h"
#include "orbscriptargs.h"

namespace {

// The registry view of a trailing view argument (64 or 32; anything else: the
// setup's own view).
REGSAM ViewArg(lua_State* L, int idx) { return lua_gettop(L) >= idx ? ORBRegViewFlag(ORBArgNumber(L, idx)) : 0; }

// Lua_RegQuery(root, subkey, value [, view]) -> string | number | nil
int Lua_RegQuery(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBRegValue v = ORBRegQuery(ORBRegRootFromName(ORBArgString(L, 1)), ORBArgString(L, 2),
                                    ORBArgString(L, 3), ViewArg(L, 4));
        if (v.kind == ORBRegValue::kString)
            ORBPushString(L, v.text);
        else if (v.kind == ORBRegValue::kNumber)
            lua_pushunsigned(L, v.number);
        else
            lua_pushnil(L);
        return 1;
    });
}

// Lua_RegAdd(root, subkey, value, type, data, overwrite [, view]) -> false when the value could
// not be written (an existing value kept without overwrite counts as done)
int Lua_RegAdd(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring type = ORBArgString(L, 4);
        ORBRegData data;
        if (type == L"REG_DWORD")
            data.number = ORBArgUnsigned(L, 5);
        else
            data.text = ORBArgString(L, 5);
        // An open install journal first records the value as it was.
        bool ok = ORBJournalBeforeRegValue(ORBArgString(L, 1), ORBArgString(L, 2), ORBArgString(L, 3), ViewArg(L, 7)) &&
                  ORBRegAdd(ORBRegRootFromName(ORBArgString(L, 1)), ORBArgString(L, 2),
                            ORBArgString(L, 3), type, data, ORBArgBoolean(L, 6), ViewArg(L, 7));
        lua_pushboolean(L, ok);
        return 1;
    });
}

// Lua_RegDel(root, subkey [, value [, view]]) -> false when the deletion failed (what
// was already missing counts as deleted). Three arguments delete a value, exactly two
// the key with its whole tree; with a view (64 or 32) a nil value name deletes the key.
int Lua_RegDel(lua_State* L) {
    return ORBProtect(L, [&] {
        int n = lua_gettop(L);
        std::wstring rootName = ORBArgString(L, 1);
        HKEY root = ORBRegRootFromName(rootName);
        REGSAM view = ViewArg(L, 4);
        bool wholeKey = n == 2 || (view && lua_isnil(L, 3));
        bool ok = true;
        if (n >= 3 && !wholeKey) {
            ok = ORBJournalBeforeRegValue(rootName, ORBArgString(L, 2), ORBArgString(L, 3), view) &&
                 ORBRegDeleteValue(root, rootName, ORBArgString(L, 2), ORBArgString(L, 3), view);
        } else if (wholeKey) {
            LONG rc = ORBRegDeleteTree(root, rootName, ORBArgString(L, 2), view);
            ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
        }
        lua_pushboolean(L, ok);
        return 1;
    });
}

// Lua_RegVarByCSIDL(name, csidl) -> whether the environment variable was set
int Lua_RegVarByCSIDL(lua_State* L) {
    return ORBProtect(L, [&] {
        int csidl = static_cast<int>(ORBArgInteger(L, 2));
        lua_pushboolean(L, ORBSetVarFromCSIDL(ORBArgString(L, 1), csidl));
        return 1;
    });
}

// Lua_RegSvr32(path, register) -> whether the entry point ran and succeeded
int Lua_RegSvr32(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBRegSvr32(ORBArgString(L, 1), ORBArgBoolean(L, 2)));
        return 1;
    });
}

}  // namespace

const luaL_Reg kORBRegistryFunctions[] = {
    {"Lua_RegSvr32", Lua_RegSvr32},
    {"Lua_RegQuery", Lua_RegQuery},
    {"Lua_RegAdd", Lua_RegAdd},
    {"Lua_RegDel", Lua_RegDel},
    {"Lua_RegVarByCSIDL", Lua_RegVarByCSIDL},
    {nullptr, nullptr},
};
