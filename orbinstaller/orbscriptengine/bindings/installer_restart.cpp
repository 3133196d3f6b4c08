// Installer functions: files in use (who holds them, closing and restarting those
// programs, replacing or deleting a file at the next start of Windows).
#include "orbscriptapi.h"

#include <vector>

#include "orbchoicebox.h"
#include "orbenvexpand.h"
#include "orblog.h"
#include "orbpendingrename.h"
#include "orbrestartmanager.h"
#include "orbscriptargs.h"

namespace {

// Argument idx as a list of paths (expanded): a table of strings, or one string.
std::vector<std::wstring> PathList(lua_State* L, int idx) {
    std::vector<std::wstring> paths;
    if (lua_istable(L, idx)) {
        size_t n = lua_rawlen(L, idx);
        for (size_t i = 1; i <= n; ++i) {
            lua_rawgeti(L, idx, static_cast<int>(i));
            std::wstring p = ORBArgString(L, -1);
            lua_pop(L, 1);
            if (!p.empty()) paths.push_back(ORBExpandEnvString(p));
        }
    } else {
        std::wstring p = ORBArgString(L, idx);
        if (!p.empty()) paths.push_back(ORBExpandEnvString(p));
    }
    return paths;
}

void SetField(lua_State* L, const char* name, const std::wstring& value) {
    ORBPushString(L, value);
    lua_setfield(L, -2, name);
}

// Lua_FindFileUsers(files) -> { {pid, name, image, service, kind, restartable}, ... }, how
int Lua_FindFileUsers(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBFileUsersBy by = ORBFileUsersBy::kImagePath;
        std::vector<ORBFileUser> users = ORBFindFileUsers(PathList(L, 1), &by);
        lua_createtable(L, static_cast<int>(users.size()), 0);
        int i = 0;
        for (const ORBFileUser& u : users) {
            lua_createtable(L, 0, 6);
            lua_pushnumber(L, u.pid);
            lua_setfield(L, -2, "pid");
            SetField(L, "name", u.name);
            SetField(L, "image", u.image);
            SetField(L, "service", u.service);
            SetField(L, "kind", u.kind);
            lua_pushboolean(L, u.restartable);
            lua_setfield(L, -2, "restartable");
            lua_rawseti(L, -2, ++i);
        }
        ORBPushString(L, ORBFileUsersByName(by));
        return 2;
    });
}

// Lua_CloseFileUsers(files [, force]) -> closed, asked, how
int Lua_CloseFileUsers(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBCloseResult r = ORBCloseFileUsers(PathList(L, 1), ORBArgBoolean(L, 2));
        lua_pushboolean(L, r.closed);
        lua_pushnumber(L, static_cast<lua_Number>(r.asked));
        ORBPushString(L, ORBFileUsersByName(r.by));
        return 3;
    });
}

// Lua_RestartFileUsers() -> boolean
int Lua_RestartFileUsers(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBRestartFileUsers());
        return 1;
    });
}

// Lua_MoveFileAfterReboot(from [, to]) -> boolean; without to, from is deleted then.
int Lua_MoveFileAfterReboot(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring from = ORBExpandEnvString(ORBArgString(L, 1));
        std::wstring to = ORBExpandEnvString(ORBArgString(L, 2));
        lua_pushboolean(L, ORBMoveFileAfterReboot(from, to));
        return 1;
    });
}

// Lua_AskFileUsers(text, caption, close, retry, cancel) -> "close" | "retry" | "cancel";
// nil in a run where nobody may be asked, or when the box cannot be shown.
int Lua_AskFileUsers(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring text = ORBArgString(L, 1), caption = ORBArgString(L, 2);
        if (ORBSilentRun(L)) {
            ORBLog(L"Lua_AskFileUsers in a silent run, nobody asked: %s", text.c_str());
            return 0;
        }
        int answer = ORBChoiceBox(text, caption, ORBArgString(L, 3), ORBArgString(L, 4), ORBArgString(L, 5));
        const char* name = answer == IDCONTINUE ? "close" : answer == IDTRYAGAIN ? "retry" : answer ? "cancel" : nullptr;
        if (!name) return 0;
        lua_pushstring(L, name);
        return 1;
    });
}

}  // namespace

const luaL_Reg kORBRestartFunctions[] = {
    {"Lua_FindFileUsers", Lua_FindFileUsers},
    {"Lua_CloseFileUsers", Lua_CloseFileUsers},
    {"Lua_RestartFileUsers", Lua_RestartFileUsers},
    {"Lua_MoveFileAfterReboot", Lua_MoveFileAfterReboot},
    {"Lua_AskFileUsers", Lua_AskFileUsers},
    {nullptr, nullptr},
};
