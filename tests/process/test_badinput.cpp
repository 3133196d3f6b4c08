// Every process and service function with missing, nil, wrong-typed and very long
// arguments: no script error, no crash, the documented result.
#include <cstring>

#include "gtest/gtest.h"
#include "orbprocess.h"
#include "orbscriptengine.h"
#include "proctestutil.h"

using Results = std::vector<std::string>;

namespace {

BOOL WINAPI RefuseExitWindowsEx(UINT, DWORD) { return FALSE; }

struct BadCall {
    const char* expr;
    Results want;
};

// LONG is a 120,000-byte UTF-8 string, T a table, F a function.
const BadCall kBadCalls[] = {
    {"Lua_GetProcessId()", {"-1"}},
    {"Lua_GetProcessId(nil)", {"-1"}},
    {"Lua_GetProcessId(T)", {"-1"}},
    {"Lua_GetProcessId(F)", {"-1"}},
    {"Lua_GetProcessId(true)", {"-1"}},
    {"Lua_GetProcessId(12)", {"-1"}},
    {"Lua_GetProcessId(LONG)", {"-1"}},
    {"Lua_GetImagePathByPid()", {}},
    {"Lua_GetImagePathByPid(nil)", {}},
    {"Lua_GetImagePathByPid(T)", {}},
    {"Lua_GetImagePathByPid('abc')", {}},
    {"Lua_GetImagePathByPid(-1)", {}},
    {"Lua_GetImagePathByPid(0)", {}},
    {"Lua_GetImagePathByPid(2.5)", {}},
    {"Lua_GetImagePathByPid(1e300)", {}},
    {"Lua_GetImagePathByPid(0/0)", {}},
    {"Lua_GetImagePathByPid(LONG)", {}},
    {"Lua_TaskKill()", {"true"}},
    {"Lua_TaskKill(nil)", {"true"}},
    {"Lua_TaskKill(T)", {"true"}},
    {"Lua_TaskKill(F)", {"true"}},
    {"Lua_TaskKill(false)", {"true"}},
    {"Lua_TaskKill(-1)", {"true"}},
    {"Lua_TaskKill(-7)", {"true"}},
    {"Lua_TaskKill(0)", {"true"}},
    {"Lua_TaskKill(1e300)", {"true"}},
    {"Lua_TaskKill(0/0)", {"true"}},
    {"Lua_TaskKill('')", {"true"}},
    {"Lua_TaskKill(LONG)", {"true"}},
    {"Lua_TaskKill(nil, T)", {"true"}},
    {"Lua_TaskKill(nil, '')", {"true"}},
    {"Lua_TaskKill(nil, LONG)", {"true"}},
    {"Lua_TaskKill(nil, 'OrbNoSuchClass', T, F, LONG)", {"true"}},
    {"Lua_TaskKill(nil, LONG, 1e300, -1e300, 0/0)", {"true"}},
    {"Lua_KillAllTaskByName()", {"true"}},
    {"Lua_KillAllTaskByName(nil)", {"true"}},
    {"Lua_KillAllTaskByName(T)", {"true"}},
    {"Lua_KillAllTaskByName(-1)", {"true"}},
    {"Lua_KillAllTaskByName(LONG)", {"true"}},
    {"Lua_SCM()", {"false"}},
    {"Lua_SCM(nil, nil)", {"false"}},
    {"Lua_SCM(T, F)", {"false"}},
    {"Lua_SCM(LONG, 'start')", {"false"}},
    {"Lua_SCM('OrbNoSuchService')", {"true"}},
    {"Lua_SCM('OrbNoSuchService', T)", {"true"}},
    {"Lua_SCM('OrbNoSuchService', LONG)", {"true"}},
    {"Lua_EnablePrivilege()", {"false"}},
    {"Lua_EnablePrivilege(nil)", {"false"}},
    {"Lua_EnablePrivilege('SeShutdownPrivilege')", {"false"}},
    {"Lua_EnablePrivilege(T, T)", {"false"}},
    {"Lua_EnablePrivilege(LONG, true)", {"false"}},
    {"Lua_EnablePrivilege('SeShutdownPrivilege', nil)", {"true"}},
    {"Lua_EnablePrivilege('SeShutdownPrivilege', T)", {"true"}},
    {"Lua_ExitWindows()", {"false"}},
    {"Lua_ExitWindows(nil, nil)", {"false"}},
    {"Lua_ExitWindows(T, F)", {"false"}},
    {"Lua_ExitWindows(LONG, LONG)", {"false"}},
    {"Lua_ExitWindows(1e300, 0/0)", {"false"}},
};

}  // namespace

TEST(BadInput, EveryFunctionAnswersWithItsDocumentedResult) {
    const char* setup = "LONG = string.rep('\\228\\184\\173', 40000); T = {}; F = function() end";
    ASSERT_TRUE(ORBScriptEngine::GetInstance()->DoBuffer(setup, std::strlen(setup), "setup"));
    // Lua_ExitWindows must never reach the system here.
    ORBExitWindowsFn real = g_orbExitWindowsEx;
    g_orbExitWindowsEx = RefuseExitWindowsEx;
    for (const BadCall& c : kBadCalls) EXPECT_EQ(c.want, Call(c.expr)) << c.expr;
    g_orbExitWindowsEx = real;
}
