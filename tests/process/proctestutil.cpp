#include "proctestutil.h"

#include <cmath>

#include "lauxlib.h"
#include "orbscriptengine.h"
#include "orbtestutil.h"

const char kTargetExe[] = "orbproctarget.exe";

std::vector<std::string> Call(const std::string& expr) {
    lua_State* L = ORBScriptEngine::GetInstance()->GetState();
    int base = lua_gettop(L);
    std::string code = "return " + expr;
    if (luaL_loadstring(L, code.c_str()) != 0 || lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
        std::string msg = std::string("error: ") + lua_tostring(L, -1);
        lua_settop(L, base);
        return {msg};
    }
    std::vector<std::string> out;
    for (int i = base + 1; i <= lua_gettop(L); ++i) {
        switch (lua_type(L, i)) {
        case LUA_TNIL: out.push_back("nil"); break;
        case LUA_TBOOLEAN: out.push_back(lua_toboolean(L, i) ? "true" : "false"); break;
        case LUA_TNUMBER: {
            double d = lua_tonumber(L, i);
            out.push_back(std::floor(d) == d ? std::to_string(static_cast<long long>(d)) : std::to_string(d));
            break;
        }
        case LUA_TSTRING: out.push_back(lua_tostring(L, i)); break;
        default: out.push_back(luaL_typename(L, i)); break;
        }
    }
    lua_settop(L, base);
    return out;
}

Target::Target(const std::wstring& args) {
    static LONG counter = 0;
    std::wstring event = L"OrbProcTargetReady-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(InterlockedIncrement(&counter));
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    std::wstring exe = TestPath(L"orbproctarget.exe");
    std::wstring cmd = L"\"" + exe + L"\" " + args + L" /ready:" + event;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        HANDLE both[] = {ready, process_};
        WaitForMultipleObjects(2, both, FALSE, 10000);
    }
    CloseHandle(ready);
}

Target::~Target() {
    if (!process_) return;
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool Target::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD Target::ExitCode(DWORD waitMs) const {
    DWORD code = STILL_ACTIVE;
    if (process_ && WaitForSingleObject(process_, waitMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_, &code);
    return code;
}
