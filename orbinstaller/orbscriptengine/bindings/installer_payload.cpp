// Installer functions: payload and resource extraction.
#include "orbscriptapi.h"

#include <cstring>

#include "orb7zextract.h"
#include "orb7zwriter.h"
#include "orbappendedpayload.h"
#include "orbfileops.h"
#include "orbpayloadsource.h"
#include "orbhandle.h"
#include "orblinks.h"
#include "orblog.h"
#include "orbresource.h"
#include "orbscriptargs.h"
#include "orbscriptengine.h"

namespace {

// A script function kept alive in the registry; released on every way out.
struct ScriptRef {
    lua_State* L;
    int ref = LUA_NOREF;
    explicit ScriptRef(lua_State* state) : L(state) {}
    ~ScriptRef() {
        if (ref != LUA_NOREF) luaL_unref(L, LUA_REGISTRYINDEX, ref);
    }
    ScriptRef(const ScriptRef&) = delete;
    ScriptRef& operator=(const ScriptRef&) = delete;
};

// Argument idx as a resource id (low 16 bits of a number) or as a name held in text.
const wchar_t* ResourceName(lua_State* L, int idx, std::wstring& text) {
    if (lua_isnumber(L, idx)) return MAKEINTRESOURCEW(static_cast<WORD>(lua_tointegerx(L, idx, nullptr) & 0xFFFF));
    text = ORBArgString(L, idx);
    return text.c_str();
}

ORB7zCallbacks ScriptCallbacks(lua_State* L, int fileRef, int failRef) {
    ORB7zCallbacks callbacks;
    if (fileRef != LUA_NOREF)
        callbacks.fileWritten = [L, fileRef](const std::wstring& path) {
            int top = lua_gettop(L);
            lua_rawgeti(L, LUA_REGISTRYINDEX, fileRef);
            ORBPushString(L, path);
            if (ORBScriptEngine::PCall(L, 1, 1) != 0) ORBLog(L"%s\r\n", ORBArgString(L, -1).c_str());
            lua_settop(L, top);
        };
    if (failRef != LUA_NOREF)
        callbacks.createFailed = [L, failRef](const std::wstring& path, DWORD error) {
            int top = lua_gettop(L);
            lua_rawgeti(L, LUA_REGISTRYINDEX, failRef);
            ORBPushString(L, path);
            lua_pushunsigned(L, error);
            int decision = 2;
            if (ORBScriptEngine::PCall(L, 2, 1) == 0)
                decision = static_cast<int>(lua_tointegerx(L, -1, nullptr));
            else
                ORBLog(L"%s\r\n", ORBArgString(L, -1).c_str());
            lua_settop(L, top);
            return decision;
        };
    return callbacks;
}

// Arguments 1-3 as a request: a number (or numeric string) names a resource by id.
ORBUnpackRequest UnpackRequest(lua_State* L, int n) {
    ORBUnpackRequest request;
    request.fromFile = n >= 3 && lua_isboolean(L, 3) && lua_toboolean(L, 3);
    if (!request.fromFile && lua_isnumber(L, 1))
        request.resourceId = static_cast<WORD>(lua_tointegerx(L, 1, nullptr) & 0xFFFF);
    request.source = ORBArgString(L, 1);
    if (request.fromFile) request.source = ORBExpandEnvString(request.source);
    request.destination = ORBExpandEnvString(ORBArgString(L, 2));
    return request;
}

// (source, destination [, fromFile [, onFile [, onCreateFailed]]]) -> boolean
int Lua_UnCompress7z(lua_State* L) {
    return ORBProtect(L, [&] {
        int n = lua_gettop(L);
        // Any other count unpacks nothing and answers true.
        if (n < 2 || n > 5) {
            ORBLog(L"UnCompress successful.\r\n");
            lua_pushboolean(L, 1);
            return 1;
        }
        ScriptRef fileRef(L), failRef(L);
        // By position: a nil failure callback leaves the per-file one in force.
        if (n == 5 && lua_isfunction(L, 5)) {
            lua_pushvalue(L, 5);
            failRef.ref = luaL_ref(L, LUA_REGISTRYINDEX);
        }
        if (n >= 4 && lua_isfunction(L, 4)) {
            lua_pushvalue(L, 4);
            fileRef.ref = luaL_ref(L, LUA_REGISTRYINDEX);
        }
        bool ok = ORBUnpack(UnpackRequest(L, n), ScriptCallbacks(L, fileRef.ref, failRef.ref));
        lua_pushboolean(L, ok);
        return 1;
    });
}

// (type, name or id, destination file) -> boolean
int Lua_ExtractResource(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring path = ORBExpandEnvString(ORBArgString(L, 3));
        std::wstring type = ORBArgString(L, 1);
        std::wstring text;
        const wchar_t* name = ResourceName(L, 2, text);
        ORBResourceData res = ORBLoadResource(nullptr, type.c_str(), name);
        if (res.status == ORBResourceData::kNotFound || res.status == ORBResourceData::kNotLocked) {
            ORBLog(L"Fun:%s ,LoadResource failed!\r\n", L"Lua_ExtractResource");
            lua_pushboolean(L, 0);
            return 1;
        }
        const Byte* bytes = static_cast<const Byte*>(res.data);
        // A payload is written with the standard signature; the resource image is left as stored.
        bool swap = type == ORB_RES_W(ORB_RT_7Z) && res.size >= 2;
        const Byte head[2] = {swap ? bytes[1] : Byte(0), swap ? bytes[0] : Byte(0)};
        bool created = false;
        DWORD error = 0;
        bool ok = ORB7zWriteNewFile(ORBSystemPath(path), head, swap ? 2 : 0, bytes + (swap ? 2 : 0),
                                    res.size - (swap ? 2 : 0), &created, &error);
        if (!created)
            ORBLog(L"Fun:%s ,CreateFileW %s failed!\r\n", L"Lua_ExtractResource", path.c_str());
        else if (!ok)
            ORBLog(L"Fun:%s ,WriteFile %s failed, error %lu!\r\n", L"Lua_ExtractResource", path.c_str(),
                   static_cast<unsigned long>(error));
        lua_pushboolean(L, ok);
        return 1;
    });
}

}  // namespace

const luaL_Reg kORBPayloadFunctions[] = {
    {"Lua_UnCompress7z", Lua_UnCompress7z},
    {"Lua_ExtractResource", Lua_ExtractResource},
    {nullptr, nullptr},
};
