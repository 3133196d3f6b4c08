// Starting and stopping orbtestsvc.exe through Lua_SCM.
#include "gtest/gtest.h"
#include "orbhandle.h"
#include "orbservice.h"
#include "orbtestutil.h"
#include "proctestutil.h"

using Results = std::vector<std::string>;

namespace {

// orbtestsvc.exe installed as a demand-start service for the life of the object.
class TestService {
public:
    explicit TestService(const std::wstring& mode) {
        name_ = L"OrbTestSvc" + mode + std::to_wstring(GetCurrentProcessId());
        manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        std::wstring cmd = L"\"" + TestPath(L"orbtestsvc.exe") + L"\" " + mode;
        if (manager_)
            service_.reset(CreateServiceW(manager_.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                          SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                          SERVICE_ERROR_IGNORE, cmd.c_str(), nullptr, nullptr, nullptr,
                                          nullptr, nullptr));
        error_ = GetLastError();
        WaitForUnlockedDatabase();
    }
    ~TestService() {
        if (!service_) return;
        SERVICE_STATUS st;
        ControlService(service_.get(), SERVICE_CONTROL_STOP, &st);
        DeleteService(service_.get());
    }
    bool created() const { return static_cast<bool>(service_); }
    DWORD error() const { return error_; }
    std::string name() const { return Narrow(name_); }
    const std::wstring& wname() const { return name_; }
    DWORD State() const {
        SERVICE_STATUS st = {};
        return QueryServiceStatus(service_.get(), &st) ? st.dwCurrentState : 0;
    }

private:
    // Wine's service manager refuses starts (1055) while it still starts its own
    // services after the prefix came up.
    void WaitForUnlockedDatabase() {
        for (int i = 0; manager_ && i < 100; ++i) {
            if (SC_LOCK lock = LockServiceDatabase(manager_.get())) {
                UnlockServiceDatabase(lock);
                return;
            }
            if (GetLastError() != ERROR_SERVICE_DATABASE_LOCKED) return;
            Sleep(200);
        }
    }

    std::wstring name_;
    ORBScHandle manager_, service_;
    DWORD error_ = 0;
};

}  // namespace

TEST(Service, StartAndStopThroughTheScript) {
    TestService svc(L"normal");
    ASSERT_TRUE(svc.created()) << "CreateService error " << svc.error();
    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOPPED), svc.State());
    EXPECT_EQ(Results{"true"}, Call("Lua_SCM('" + svc.name() + "', 'start')"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), svc.State());
    // Already running: true after the first poll.
    DWORD t0 = GetTickCount();
    EXPECT_EQ(Results{"true"}, Call("Lua_SCM('" + svc.name() + "', 'START')"));
    EXPECT_LT(GetTickCount() - t0, 1000u);
    EXPECT_EQ(Results{"true"}, Call("Lua_SCM('" + svc.name() + "', 'Stop')"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), svc.State());
    EXPECT_EQ(Results{"true"}, Call("Lua_SCM('" + svc.name() + "', 'stop')"));
}

TEST(Service, MissingServiceIsSuccessAndUnknownActionFails) {
    {
        LogCapture log;
        EXPECT_EQ(Results{"true"}, Call("Lua_SCM('OrbNoSuchService', 'start')"));
        EXPECT_EQ(Results{"true"}, Call("Lua_SCM('OrbNoSuchService', 'restart')"));
        EXPECT_TRUE(log.lines().empty());
    }
    TestService svc(L"normal");
    ASSERT_TRUE(svc.created());
    LogCapture log;
    EXPECT_EQ(Results{"false"}, Call("Lua_SCM('" + svc.name() + "', 'restart')"));
    auto lines = log.lines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"xm Unknow Error in fun:Lua_SCM\r\n", lines[0]);
    EXPECT_EQ(0u, lines[1].find(L"xm xm file:"));
    EXPECT_EQ(0u, lines[3].find(L"xm xm err:"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), svc.State());
}

// Milliseconds an ordinary start takes here: starting the service's process alone can
// take seconds under emulation, and a bounded wait pays it too.
DWORD OrdinaryStartMs() {
    TestService svc(L"normal");
    DWORD t0 = GetTickCount();
    EXPECT_TRUE(ORBServiceControl(svc.wname(), L"start", 30000));
    return GetTickCount() - t0;
}

TEST(Service, WaitingIsBounded) {
    DWORD ordinary = OrdinaryStartMs();
    TestService svc(L"hangstart");
    ASSERT_TRUE(svc.created());
    LogCapture log;
    DWORD t0 = GetTickCount();
    EXPECT_FALSE(ORBServiceControl(svc.wname(), L"start", 1000));
    DWORD spent = GetTickCount() - t0;
    EXPECT_GE(spent, 1000u);
    EXPECT_LT(spent, 3000u + ordinary) << "an ordinary start took " << ordinary << " ms";
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_SCM, Description:service " + svc.wname() + L" still in state 2 after "))
        << (log.lines().empty() ? "" : Narrow(log.lines().back()));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), svc.State());
}

TEST(Service, StopWaitingIsBounded) {
    TestService svc(L"hangstop");
    ASSERT_TRUE(svc.created());
    ASSERT_TRUE(ORBServiceControl(svc.wname(), L"start", 5000));
    LogCapture log;
    EXPECT_FALSE(ORBServiceControl(svc.wname(), L"stop", 500));
    EXPECT_TRUE(log.Has(L" still in state 3 after "));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), svc.State());
}

TEST(Service, SilentProductEndsAProgramAndStartsAndStopsAService) {
    TestService svc(L"normal");
    ASSERT_TRUE(svc.created());
    Target target(L"close");
    ASSERT_TRUE(target.started());
    ScopedTempDir dir(L"procsilent");
    ORBRunOptions options;
    options.environment = {{L"ORB_P_TRACE", dir.file(L"trace.txt")},
                           {L"ORB_P_SERVICE", svc.wname()},
                           {L"ORB_P_TARGET", std::to_wstring(target.pid())}};
    ORBRunResult run = RunProduct(L"proc_silent.exe", options);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(1u, run.exitCode);
    std::vector<std::string> want = {"start=true", "ids=1",
                                     "path=" + Narrow(TestPath(L"proc_silent.exe")), "kill=true",
                                     "stop=true"};
    std::vector<std::string> got = ReadLines(dir.file(L"trace.txt"));
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(0, lstrcmpiA(want[i].c_str(), got[i].c_str())) << got[i];
    EXPECT_EQ(11u, target.ExitCode());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), svc.State());
}
