// require for the setup's own modules: precompiled chunks stored as resources of type
// LUAMOD named <module>.LUAC, after the script's own package.preload. Nothing is ever
// read from the disk, so a file planted
// beside the setup cannot be run in its place.
#include <string>

#include "orbresource.h"
#include "orbresourceids.h"
#include "orbscriptapi.h"
#include "orbstring.h"

namespace {

// Letters, digits, '_' and '.' only: other names cannot be module resources.
bool IsModuleName(const char* name, size_t len) {
    if (len == 0 || len > 200) return false;
    for (size_t i = 0; i < len; ++i) {
        const char c = name[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '.';
        if (!ok) return false;
    }
    return true;
}

// Searcher: the loader and the module name, or a message for require's report.
int SearchEmbeddedModule(lua_State* L) {
    size_t len = 0;
    const char* name = luaL_checklstring(L, 1, &len);
    if (!IsModuleName(name, len)) {
        lua_pushfstring(L, "\n\tno embedded module '%s' (not a module name)", name);
        return 1;
    }
    std::wstring resource = ORBUtf8ToWide(name, static_cast<std::ptrdiff_t>(len)) + L".LUAC";
    ORBResourceData res = ORBLoadResource(nullptr, ORB_RES_W(ORB_RT_LUAMOD), resource.c_str());
    if (res.status != ORBResourceData::kOk) {
        lua_pushfstring(L, "\n\tno embedded module '%s'", name);
        return 1;
    }
    std::string chunkName = std::string("=") + name;
    if (luaL_loadbufferx(L, static_cast<const char*>(res.data), res.size, chunkName.c_str(), nullptr) != LUA_OK)
        return luaL_error(L, "error loading embedded module '%s':\n\t%s", name, lua_tostring(L, -1));
    lua_pushstring(L, name);
    return 2;
}

}  // namespace

void ORBInstallModuleSearcher(lua_State* L) {
    lua_getglobal(L, "package");
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_pushliteral(L, "");
    lua_setfield(L, -2, "path");
    lua_pushliteral(L, "");
    lua_setfield(L, -2, "cpath");
    // require reads the searchers through the package table: replace the list in place,
    // keeping the standard first one (package.preload, filled by the script itself); the
    // others would read Lua and C modules from the disk.
    lua_createtable(L, 2, 0);
    lua_getfield(L, -2, "searchers");
    int n = 1;
    if (lua_istable(L, -1)) {
        lua_rawgeti(L, -1, 1);
        if (lua_iscfunction(L, -1))
            lua_rawseti(L, -3, n++);
        else
            lua_pop(L, 1);
    }
    lua_pop(L, 1);
    lua_pushcfunction(L, SearchEmbeddedModule);
    lua_rawseti(L, -2, n);
    lua_setfield(L, -2, "searchers");
    lua_pop(L, 1);
}
