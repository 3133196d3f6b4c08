// Service for the service tests, run by the service manager.
//   orbtestsvc [normal|hangstart|hangstop]
// hangstart stays "start pending" and hangstop stays "stop pending", each for 5 s, then
// the service stops; normal starts and stops at once.
#include <windows.h>

#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status = {};
HANDLE g_stop = nullptr;
bool g_hangStart = false;
bool g_hangStop = false;

void Report(DWORD state, DWORD hint) {
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwWaitHint = hint;
    g_status.dwCheckPoint = hint ? g_status.dwCheckPoint + 1 : 0;
    SetServiceStatus(g_handle, &g_status);
}

// Stays in a pending state for 5 s, reporting progress every 100 ms.
void Linger(DWORD state) {
    for (int i = 0; i < 50; ++i) {
        Report(state, 100);
        Sleep(100);
    }
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        SetEvent(g_stop);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    g_handle = RegisterServiceCtrlHandlerExW(L"", Handler, nullptr);
    if (!g_handle) return;
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_hangStart) {
        Linger(SERVICE_START_PENDING);
    } else {
        Report(SERVICE_RUNNING, 0);
        WaitForSingleObject(g_stop, 60000);
        if (g_hangStop) Linger(SERVICE_STOP_PENDING);
    }
    Report(SERVICE_STOPPED, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    g_hangStart = argc > 1 && wcscmp(argv[1], L"hangstart") == 0;
    g_hangStop = argc > 1 && wcscmp(argv[1], L"hangstop") == 0;
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
