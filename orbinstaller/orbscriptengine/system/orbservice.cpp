#include "orbservice.h"

#include "orbhandle.h"
#include "orblog.h"

namespace {

// A wait hint of 0 must not turn the poll into a busy loop.
constexpr DWORD kMinPollMs = 50;
constexpr size_t kMaxServiceName = 256;

void LogUnknownError(int line) {
    ORBLogFailureLines(L"Unknow Error in fun:Lua_SCM\r\n", ORB_WFILE, line, GetLastError());
}

// Polls until the service is in `wanted`; false on a failed query or at the limit.
bool WaitForState(SC_HANDLE service, const std::wstring& name, DWORD wanted, DWORD limitMs) {
    ULONGLONG start = GetTickCount64();
    for (;;) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status)) {
            LogUnknownError(__LINE__);
            return false;
        }
        if (status.dwCurrentState == wanted) return true;
        ULONGLONG spent = GetTickCount64() - start;
        if (spent >= limitMs) {
            ORBLog(L"Fun:%s, Description:service %s still in state %u after %u ms!\r\n", L"Lua_SCM",
                   name.c_str(), static_cast<unsigned>(status.dwCurrentState),
                   static_cast<unsigned>(spent));
            return false;
        }
        DWORD pause = status.dwWaitHint < kMinPollMs ? kMinPollMs : status.dwWaitHint;
        DWORD left = static_cast<DWORD>(limitMs - spent);
        Sleep(pause < left ? pause : left);
    }
}

}  // namespace

bool ORBServiceControl(const std::wstring& name, const std::wstring& action, DWORD waitLimitMs) {
    ORBScHandle manager(OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE));
    if (!manager) {
        ORB_LOG_FAILURE(L"OpenSCManager failed!");
        return false;
    }
    // Windows refuses names over 256 units as invalid; answer the same everywhere.
    if (name.size() > kMaxServiceName) SetLastError(ERROR_INVALID_NAME);
    ORBScHandle service(name.size() > kMaxServiceName ? nullptr : OpenServiceW(manager.get(), name.c_str(),
                                     SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP));
    if (!service) {
        // Nothing to start or stop: the scripts treat a missing service as done.
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return true;
        ORB_LOG_FAILURE(L"OpenService failed!");
        return false;
    }
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service.get(), &status)) {
        ORB_LOG_FAILURE(L"QueryServiceStatus failed!");
        return false;
    }
    if (lstrcmpiW(action.c_str(), L"start") == 0) {
        if (status.dwCurrentState == SERVICE_STOPPED && !StartServiceW(service.get(), 0, nullptr)) {
            ORB_LOG_FAILURE(L"StartService failed!");
            return false;
        }
        return WaitForState(service.get(), name, SERVICE_RUNNING, waitLimitMs);
    }
    if (lstrcmpiW(action.c_str(), L"stop") == 0) {
        if (status.dwCurrentState == SERVICE_RUNNING &&
            !ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
            ORB_LOG_FAILURE(L"StopService failed!");
            return false;
        }
        return WaitForState(service.get(), name, SERVICE_STOPPED, waitLimitMs);
    }
    LogUnknownError(__LINE__);
    return false;
}
