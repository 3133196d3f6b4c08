// Installer functions: process and service.
#include "orbexitcode.h"
#include "orblog.h"
#include "orbprocess.h"
#include "orbprocesstoolhelp.h"
#include "orbrawglobal.h"
#include "orbscriptapi.h"
#include "orbscriptargs.h"
#include "orbscriptnames.h"
#include "orbservice.h"

namespace {

// Argument `back` places before the last one (0 = the last); "" / none when absent.
int ArgFromEnd(lua_State* L, int back) {
    int idx = lua_gettop(L) - back;
    return idx >= 1 ? idx : 0;
}

std::wstring StringFromEnd(lua_State* L, int back) {
    int idx = ArgFromEnd(L, back);
    return idx ? ORBArgString(L, idx) : std::wstring();
}

// Argument 1 as Lua_TaskKill reads it: a number or numeric text is a process id,
// anything else an executable name.
bool KillTaskArg(lua_State* L) {
    if (lua_isnumber(L, 1)) {
        DWORD pid = 0;
        bool valid = ORBPidFromNumber(ORBArgNumber(L, 1), pid);
        return ORBKillTaskById(valid, pid);
    }
    return ORBKillTaskByName(ORBArgString(L, 1));
}

int Lua_GetProcessId(lua_State* L) {
    return ORBProtect(L, [L] {
        std::vector<DWORD> ids = ORBGetProcessIds(StringFromEnd(L, 0));
        if (ids.empty()) {
            lua_pushnumber(L, -1);
            return 1;
        }
        int n = 0;
        for (DWORD id : ids) {
            if (!lua_checkstack(L, 1)) break;
            lua_pushnumber(L, id);
            ++n;
        }
        return n;
    });
}

int Lua_GetImagePathByPid(lua_State* L) {
    return ORBProtect(L, [L] {
        int idx = ArgFromEnd(L, 0);
        DWORD pid = 0;
        std::wstring path;
        if (!idx || !ORBPidFromNumber(ORBArgNumber(L, idx), pid) || !ORBGetImagePathByPid(pid, path))
            return 0;
        ORBPushString(L, path);
        return 1;
    });
}

int Lua_TaskKill(lua_State* L) {
    return ORBProtect(L, [L] {
        if (!lua_isnoneornil(L, 2)) {
            UINT message = WM_SYSCOMMAND;
            WPARAM wParam = SC_CLOSE;
            LPARAM lParam = 0;
            if (!lua_isnoneornil(L, 3)) {
                message = ORBArgUnsigned(L, 3);
                wParam = ORBArgUnsigned(L, 4);
                lParam = static_cast<LPARAM>(ORBArgUnsigned(L, 5));
            }
            ORBPostToWindowClass(ORBArgString(L, 2), message, wParam, lParam);
        }
        lua_pushboolean(L, KillTaskArg(L));
        return 1;
    });
}

int Lua_KillAllTaskByName(lua_State* L) {
    return ORBProtect(L, [L] {
        lua_pushboolean(L, KillTaskArg(L));
        return 1;
    });
}

int Lua_SCM(lua_State* L) {
    return ORBProtect(L, [L] {
        lua_pushboolean(L, ORBServiceControl(ORBArgString(L, 1), ORBArgString(L, 2)));
        return 1;
    });
}

int Lua_EnablePrivilege(lua_State* L) {
    return ORBProtect(L, [L] {
        std::wstring name = StringFromEnd(L, 1);
        int flag = ArgFromEnd(L, 0);
        bool enable = flag && ORBArgBoolean(L, flag);
        lua_pushboolean(L, ORBProcessToolHelp::EnablePrivilege(name.c_str(), enable));
        return 1;
    });
}

// With global_no_restart set (/NORESTART) the session is never ended: the product
// reports the restart it needs through global_restart_required instead.
int Lua_ExitWindows(lua_State* L) {
    return ORBProtect(L, [L] {
        const UINT flags = ORBArgUnsigned(L, 1);
        if (ORBRawGlobalBoolean(L, kORBGlobalNoRestart)) {
            ORBLog(L"Fun:Lua_ExitWindows, Description:flags 0x%x not applied, no restart wanted (global_no_restart)\r\n",
                   flags);
            lua_pushboolean(L, 0);
            return 1;
        }
        lua_pushboolean(L, ORBExitWindows(flags, ORBArgUnsigned(L, 2)));
        return 1;
    });
}

}  // namespace

const luaL_Reg kORBProcessFunctions[] = {
    {"Lua_TaskKill", Lua_TaskKill},
    {"Lua_SCM", Lua_SCM},
    {"Lua_GetProcessId", Lua_GetProcessId},
    {"Lua_ExitWindows", Lua_ExitWindows},
    {"Lua_EnablePrivilege", Lua_EnablePrivilege},
    {"Lua_GetImagePathByPid", Lua_GetImagePathByPid},
    {"Lua_KillAllTaskByName", Lua_KillAllTaskByName},
    {nullptr, nullptr},
};
