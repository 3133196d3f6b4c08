#include "orbsingleinstance.h"

#include "orblog.h"
#include "orbstring.h"

std::wstring SingleInstanceObjectName(const std::wstring& mutexName, int appId) {
    std::wstring name = mutexName;
    if (appId != 0) name += ORBDecimal(appId);
    // Kernel object names longer than MAX_PATH - 1 units are cut to that length.
    if (name.size() > MAX_PATH - 1) name.resize(MAX_PATH - 1);
    return name;
}

ORBHandle SingleInstanceGuard(const std::wstring& mutexName, int appId) {
    std::wstring name = SingleInstanceObjectName(mutexName, appId);
    ORBLog(L" szObjectName = %s ", name.c_str());

    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, TRUE};

    HANDLE mutex = CreateMutexW(&sa, FALSE, name.c_str());
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) {
        // First instance: the mutex stays open for the life of the process.
        return ORBHandle();
    }
    if (HWND other = FindWindowW(L"Orb_Installer", nullptr)) SwitchToThisWindow(other, TRUE);
    return ORBHandle(mutex);
}
