// Installer functions: shell and system.
#include <process.h>

#include <memory>

#include "orbdownload.h"
#include "orbenvexpand.h"
#include "orbexitcode.h"
#include "orbhandle.h"
#include "orblog.h"
#include "orbscriptapi.h"
#include "orbscriptargs.h"
#include "orbscriptengine.h"
#include "orbshell.h"

namespace {

// Lua_Exec(file, verb, parameters, wait) -> boolean
int Lua_Exec(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBExec(ORBArgString(L, 1), ORBArgString(L, 2), ORBArgString(L, 3), ORBArgBoolean(L, 4),
                                   ORBUnattendedRun(L)));
        return 1;
    });
}

// Lua_CreateShortcut(target, link [, arguments, description]) -> boolean. Arguments
// and description count only in a call of four or more arguments, each unless nil.
int Lua_CreateShortcut(lua_State* L) {
    return ORBProtect(L, [&] {
        bool four = lua_gettop(L) >= 4;
        std::wstring args = ORBArgString(L, 3), description = ORBArgString(L, 4);
        bool ok = ORBCreateShortcut(ORBArgString(L, 1), ORBArgString(L, 2),
                                    four && !lua_isnil(L, 3) ? &args : nullptr,
                                    four && !lua_isnil(L, 4) ? &description : nullptr);
        lua_pushboolean(L, ok);
        return 1;
    });
}

int Lua_GetOSVersion(lua_State* L) {
    lua_pushnumber(L, ORBOSMajorVersion());
    return 1;
}

// Lua_Logout(text): the scripts' own log line.
int Lua_Logout(lua_State* L) {
    return ORBProtect(L, [&] {
        // A script that just named its log file gets this line in it.
        ORBScriptEngine::SyncLogFile(L);
        ORBLog(L"%s", ORBArgString(L, 1).c_str());
        return 0;
    });
}

// Lua_MsgBox(text [, caption [, type]]) -> button code; by argument count, any other
// count shows an empty box with an OK button. A silent run shows nothing: the text is
// logged and the box's default button is the answer.
int Lua_MsgBox(lua_State* L) {
    return ORBProtect(L, [&] {
        int n = lua_gettop(L);
        std::wstring text, caption;
        UINT type = 0;
        if (n >= 1 && n <= 3) text = ORBArgString(L, 1);
        if (n >= 2 && n <= 3) caption = ORBArgString(L, 2);
        if (n == 3) type = static_cast<UINT>(ORBArgUnsigned(L, 3));
        if (ORBSilentRun(L)) {
            int answer = ORBMessageBoxDefaultAnswer(type);
            ORBLog(L"Lua_MsgBox in a silent run, answered %d: %s: %s", answer, caption.c_str(), text.c_str());
            lua_pushnumber(L, answer);
            return 1;
        }
        lua_pushnumber(L, MessageBoxW(nullptr, text.c_str(), caption.c_str(), type));
        return 1;
    });
}

int Lua_IsWow64(lua_State* L) {
    lua_pushboolean(L, ORBIsWow64());
    return 1;
}

// Lua_GetModuleFileName([module]) -> path of the module, or of the program
int Lua_GetModuleFileName(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring module;
        bool named = lua_gettop(L) >= 1;
        if (named) module = ORBArgString(L, 1);
        ORBPushString(L, ORBModulePath(named ? &module : nullptr));
        return 1;
    });
}

// Lua_GetCommandLineArgv() -> {program, word, ...}; nothing when it cannot be split
int Lua_GetCommandLineArgv(lua_State* L) {
    return ORBProtect(L, [&] {
        std::vector<std::wstring> words;
        if (!ORBCommandLineWords(words) || words.empty()) return 0;
        lua_createtable(L, static_cast<int>(words.size()), 0);
        for (size_t i = 0; i < words.size(); ++i) {
            ORBPushString(L, words[i]);
            lua_rawseti(L, -2, static_cast<int>(i + 1));
        }
        return 1;
    });
}

int Lua_GetDriverInstallPath(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBPushString(L, ORBDriverInstallPath());
        return 1;
    });
}

// One download, owned by its worker thread.
struct DownloadJob {
    std::wstring url, path;
    ORBDownloadCheck check;
};

unsigned __stdcall DownloadThread(void* p) {
    std::unique_ptr<DownloadJob> job(static_cast<DownloadJob*>(p));
    try {
        return ORBDownloadToFile(job->url, job->path, job->check) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

// Field name of the table at idx, without metamethods.
void RawField(lua_State* L, int idx, const char* name) {
    lua_pushstring(L, name);
    lua_rawget(L, idx);
}

// The check table at idx: sha256 (64 hex digits; "" none), size (bytes), wait (flag). False
// (logged) when sha256 or size is there but no digest or byte count.
bool ReadDownloadCheck(lua_State* L, int idx, ORBDownloadCheck& check, bool& wait) {
    bool ok = true;
    RawField(L, idx, "sha256");
    if (lua_type(L, -1) == LUA_TSTRING)
        check.sha256 = ORBArgString(L, -1);
    else if (!lua_isnil(L, -1))
        ok = false;
    if (!check.sha256.empty() && !ORBIsSha256Hex(check.sha256)) ok = false;  // "" checks nothing
    RawField(L, idx, "size");
    if (!lua_isnil(L, -1)) {
        lua_Number n = lua_type(L, -1) == LUA_TNUMBER ? lua_tonumber(L, -1) : -1;
        if (n >= 0 && n < 18446744073709551616.0 && n == static_cast<lua_Number>(static_cast<uint64_t>(n))) {
            check.hasSize = true;
            check.size = static_cast<uint64_t>(n);
        } else {
            ok = false;
        }
    }
    RawField(L, idx, "wait");
    wait = lua_toboolean(L, -1) != 0;
    lua_pop(L, 3);
    if (!ok) ORBLog(L"Fun:Lua_URLDownloadToFileAsync, Description:the check is not a SHA-256 and a byte count: nothing downloaded\r\n");
    return ok;
}

// Lua_URLDownloadToFileAsync(..., url, path [, {sha256=, size=, wait=}]): the URL and
// the path are the two arguments before the check table, else the last two. Without
// wait it starts the download and returns nothing at once; with wait it returns whether
// the file arrived (and passed the check).
int Lua_URLDownloadToFileAsync(lua_State* L) {
    return ORBProtect(L, [&] {
        int n = lua_gettop(L);
        bool wait = false, valid = true;
        auto job = std::make_unique<DownloadJob>();
        if (n >= 1 && lua_type(L, n) == LUA_TTABLE && n >= 2 && lua_type(L, n - 1) != LUA_TTABLE) {
            valid = ReadDownloadCheck(L, n, job->check, wait);
            --n;
        }
        if (n >= 1) job->path = ORBExpandEnvString(ORBArgString(L, n));
        if (n >= 2) job->url = ORBArgString(L, n - 1);
        if (wait) {
            lua_pushboolean(L, valid && ORBDownloadToFile(job->url, job->path, job->check));
            return 1;
        }
        if (!valid) return 0;
        ORBHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, DownloadThread, job.get(), 0, nullptr)));
        if (thread)
            job.release();
        else
            ORB_LOG_FAILURE(L"_beginthreadex failed");
        return 0;
    });
}

// Lua_GetCommandLine() -> the setup's command line as it stands, program name included
int Lua_GetCommandLine(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBPushString(L, ORBCommandLine());
        return 1;
    });
}

}  // namespace

const luaL_Reg kORBShellFunctions[] = {
    {"Lua_CreateShortcut", Lua_CreateShortcut},
    {"Lua_Exec", Lua_Exec},
    {"Lua_GetOSVersion", Lua_GetOSVersion},
    {"Lua_Logout", Lua_Logout},
    {"Lua_MsgBox", Lua_MsgBox},
    {"Lua_IsWow64", Lua_IsWow64},
    {"Lua_GetModuleFileName", Lua_GetModuleFileName},
    {"Lua_GetCommandLineArgv", Lua_GetCommandLineArgv},
    {"Lua_URLDownloadToFileAsync", Lua_URLDownloadToFileAsync},
    {"Lua_GetDriverInstallPath", Lua_GetDriverInstallPath},
    {"Lua_GetCommandLine", Lua_GetCommandLine},
    {nullptr, nullptr},
};
