// Finding and ending processes through the installer functions, with orbproctarget.exe.
#include <algorithm>
#include <cmath>
#include <map>

#include "gtest/gtest.h"
#include "orbprocess.h"
#include "orbprocesstoolhelp.h"
#include "orbstring.h"
#include "orbtestutil.h"
#include "proctestutil.h"

using Results = std::vector<std::string>;

namespace {

// Ends instances left over by an earlier failed run.
void EndLeftovers() {
    while (Call("Lua_GetProcessId('orbproctarget.exe')") != Results{"-1"}) {
        std::vector<DWORD> ids = ORBGetProcessIds(L"orbproctarget.exe");
        for (DWORD id : ids) {
            HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
            if (h) {
                TerminateProcess(h, 1);
                WaitForSingleObject(h, 3000);
                CloseHandle(h);
            }
        }
    }
}

class Process : public ::testing::Test {
protected:
    void SetUp() override { EndLeftovers(); }
};

}  // namespace

TEST_F(Process, GetProcessIdReturnsEveryInstanceOrMinusOne) {
    Target a(L"close"), b(L"close");
    ASSERT_TRUE(a.started() && b.started());
    Results ids = Call("Lua_GetProcessId('ORBProcTarget.EXE')");
    std::sort(ids.begin(), ids.end());
    Results want = {a.pidText(), b.pidText()};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, ids);
    // The name is the last argument.
    EXPECT_EQ(2u, Call("Lua_GetProcessId('x.exe', 'orbproctarget.exe')").size());
    EXPECT_EQ(Results{"-1"}, Call("Lua_GetProcessId('orbproctarget.exe', 'nosuchprogram.exe')"));
    EXPECT_EQ(Results{"-1"}, Call("Lua_GetProcessId('orbproctarget')"));
}

TEST_F(Process, ImagePathCarriesADriveLetter) {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, &self[0], MAX_PATH));
    Results r = Call("Lua_GetImagePathByPid(" + std::to_string(GetCurrentProcessId()) + ")");
    ASSERT_EQ(1u, r.size());
    std::wstring path = ORBUtf8ToWide(r[0].c_str(), -1);
    EXPECT_EQ(L':', path[1]) << r[0];
    EXPECT_EQ(0, lstrcmpiW(self.c_str(), path.c_str())) << r[0];

    Target t(L"close");
    ASSERT_TRUE(t.started());
    r = Call("Lua_GetImagePathByPid('x', " + t.pidText() + ")");
    ASSERT_EQ(1u, r.size());
    EXPECT_EQ(0, lstrcmpiW(TestPath(L"orbproctarget.exe").c_str(), ORBUtf8ToWide(r[0].c_str(), -1).c_str()));

    // Every known device maps to a drive name "X:".
    ORBProcessToolHelp helper;
    ASSERT_TRUE(helper.BuildDeviceMap());
    EXPECT_FALSE(helper.DeviceMap().empty());
    for (const auto& d : helper.DeviceMap()) EXPECT_EQ(2u, d.second.size()) << Narrow(d.first);
}

TEST(DevicePaths, KnownDevicesBecomeDrivesUnknownOnesStayWhole) {
    std::map<std::wstring, std::wstring> devices = {{L"\\Device\\HarddiskVolume3", L"C:"},
                                                    {L"\\Device\\HarddiskVolume1", L"D:"}};
    std::wstring p = L"\\Device\\HarddiskVolume3\\Device\\HarddiskVolume3\\x.exe";
    EXPECT_TRUE(ORBProcessToolHelp::DrivePath(devices, p));
    EXPECT_EQ(L"C:\\Device\\HarddiskVolume3\\x.exe", p);  // only the leading device
    p = L"\\Device\\HarddiskVolume1";
    EXPECT_TRUE(ORBProcessToolHelp::DrivePath(devices, p));
    EXPECT_EQ(L"D:", p);
    // A longer volume number is another device, and an unknown one keeps the path whole.
    for (const wchar_t* unknown : {L"\\Device\\HarddiskVolume10\\x.exe", L"\\Device\\Mup\\srv\\share\\x.exe", L"x.exe", L""}) {
        p = unknown;
        EXPECT_FALSE(ORBProcessToolHelp::DrivePath(devices, p));
        EXPECT_EQ(unknown, p);
    }
}

TEST_F(Process, TaskKillClosesPoliteProgramsAndTerminatesTheRest) {
    Target polite(L"close");
    ASSERT_TRUE(polite.started());
    DWORD t0 = GetTickCount();
    EXPECT_EQ(Results{"true"}, Call("Lua_TaskKill(" + polite.pidText() + ", nil)"));
    EXPECT_LT(GetTickCount() - t0, 3000u);
    EXPECT_EQ(11u, polite.ExitCode());  // SC_CLOSE arrived first

    Target stubborn(L"ignore");
    ASSERT_TRUE(stubborn.started());
    t0 = GetTickCount();
    EXPECT_EQ(Results{"true"}, Call("Lua_TaskKill('orbproctarget.exe')"));
    EXPECT_GE(GetTickCount() - t0, 2900u);
    EXPECT_EQ(0u, stubborn.ExitCode());  // terminated with exit code 0

    // Id as numeric text.
    Target text(L"close");
    ASSERT_TRUE(text.started());
    EXPECT_EQ(Results{"true"}, Call("Lua_TaskKill(' " + text.pidText() + " ')"));
    EXPECT_EQ(11u, text.ExitCode());
}

TEST_F(Process, TaskKillPostsToAWindowClass) {
    // The class window gets SC_CLOSE although no process matches the name.
    Target byClass(L"close /class:OrbTaskKillClass");
    ASSERT_TRUE(byClass.started());
    EXPECT_EQ(Results{"true"}, Call("Lua_TaskKill('nosuchprogram.exe', 'OrbTaskKillClass')"));
    EXPECT_EQ(11u, byClass.ExitCode());

    // A custom message with its parameters; the target ignores the close messages.
    Target custom(L"ignore /class:OrbCustomClass /msg:0x8123");
    ASSERT_TRUE(custom.started());
    EXPECT_EQ(Results{"true"},
              Call("Lua_TaskKill(" + custom.pidText() + ", 'OrbCustomClass', 0x8123, 42, 4294967295)"));
    EXPECT_EQ(42u, custom.ExitCode());
}

TEST_F(Process, TaskKillOfAnEndedProcessIsTrue) {
    DWORD pid = 0;
    {
        Target gone(L"close");
        ASSERT_TRUE(gone.started());
        pid = gone.pid();
    }
    EXPECT_EQ(Results{"true"}, Call("Lua_TaskKill(" + std::to_string(pid) + ")"));
    EXPECT_EQ(Results{"true"}, Call("Lua_KillAllTaskByName(" + std::to_string(pid) + ")"));
    EXPECT_EQ(Results{"true"}, Call("Lua_TaskKill('orbproctarget.exe')"));
    EXPECT_TRUE(ORBProcessToolHelp::CloseProcessByPid(0));
}

TEST_F(Process, KillAllTaskByNameEndsOnlyTheFirst) {
    Target a(L"close"), b(L"close");
    ASSERT_TRUE(a.started() && b.started());
    Results ids = Call("Lua_GetProcessId('orbproctarget.exe')");
    ASSERT_EQ(2u, ids.size());
    EXPECT_EQ(Results{"true"}, Call("Lua_KillAllTaskByName('orbproctarget.exe')"));
    const Target& first = ids[0] == a.pidText() ? a : b;
    const Target& second = ids[0] == a.pidText() ? b : a;
    EXPECT_EQ(11u, first.ExitCode());
    EXPECT_TRUE(second.Running());
    EXPECT_EQ(Results{second.pidText()}, Call("Lua_GetProcessId('orbproctarget.exe')"));
}

TEST(Privilege, EnablePrivilegeReadsFromTheEnd) {
    EXPECT_EQ(Results{"true"}, Call("Lua_EnablePrivilege('SeShutdownPrivilege', true)"));
    EXPECT_EQ(Results{"true"}, Call("Lua_EnablePrivilege(1, 2, 'SeShutdownPrivilege', false)"));
    LogCapture log;
    EXPECT_EQ(Results{"false"}, Call("Lua_EnablePrivilege('SeNoSuchPrivilege', true)"));
    auto lines = log.lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(0u, lines[0].find(L"xm LookupPrivilegeValue failed!xm file:"));
    EXPECT_EQ(0u, lines[1].find(L"xm LookupPrivilegeValue failed!xm line:"));
    EXPECT_EQ(0u, lines[2].find(L"xm LookupPrivilegeValue failed!xm err:"));

    // A privilege the token does not hold is not enabled: the adjustment "succeeds" with
    // ERROR_NOT_ALL_ASSIGNED.
    log.Clear();
    EXPECT_EQ(Results{"false"}, Call("Lua_EnablePrivilege('SeCreateTokenPrivilege', true)"));
    ASSERT_EQ(3u, log.lines().size());
    EXPECT_EQ(0u, log.lines()[2].find(L"xm AdjustTokenPrivileges failed!xm err:1300"));
}

namespace {
UINT g_exitFlags = 0;
DWORD g_exitReason = 0;
int g_exitCalls = 0;
BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason) {
    g_exitFlags = flags;
    g_exitReason = reason;
    ++g_exitCalls;
    return flags != 0;
}
}  // namespace

TEST(Shutdown, ExitWindowsPassesFlagsAndReason) {
    ORBExitWindowsFn real = g_orbExitWindowsEx;
    g_orbExitWindowsEx = FakeExitWindowsEx;
    EXPECT_EQ(Results{"true"}, Call("Lua_ExitWindows(2, 0x80020003)"));
    EXPECT_EQ(2u, g_exitFlags);
    EXPECT_EQ(0x80020003u, g_exitReason);
    EXPECT_EQ(Results{"false"}, Call("Lua_ExitWindows()"));
    EXPECT_EQ(0u, g_exitFlags);
    EXPECT_EQ(Results{"true"}, Call("Lua_ExitWindows('6', -1)"));
    EXPECT_EQ(6u, g_exitFlags);
    EXPECT_EQ(0xFFFFFFFFu, g_exitReason);
    EXPECT_EQ(Results{"false"}, Call("Lua_ExitWindows({}, {})"));
    EXPECT_EQ(4, g_exitCalls);
    // /NORESTART: the session is never ended, whatever the flags.
    EXPECT_EQ(Results{}, Call("(function() global_no_restart = true end)()"));
    EXPECT_EQ(Results{"false"}, Call("Lua_ExitWindows(2, 0)"));
    EXPECT_EQ(Results{}, Call("(function() global_no_restart = nil end)()"));
    EXPECT_EQ(4, g_exitCalls);
    g_orbExitWindowsEx = real;
}

TEST(PidNumbers, OutsideTheIdRangeMatchNothing) {
    DWORD pid = 0;
    EXPECT_TRUE(ORBPidFromNumber(0, pid));
    EXPECT_TRUE(ORBPidFromNumber(4294967295.0, pid));
    EXPECT_EQ(0xFFFFFFFFu, pid);
    EXPECT_FALSE(ORBPidFromNumber(-1, pid));
    EXPECT_FALSE(ORBPidFromNumber(4294967296.0, pid));
    EXPECT_FALSE(ORBPidFromNumber(12.5, pid));
    EXPECT_FALSE(ORBPidFromNumber(std::nan(""), pid));
}
