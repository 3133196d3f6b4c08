#include "orbelevation.h"

#include <shellapi.h>

#include "orbhandle.h"
#include "orblog.h"
#include "orbshell.h"

bool ORBIsElevated() {
    ORBHandle token;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

bool ORBRunElevated(const std::wstring& parameters, bool unattended, DWORD& exitCode) {
    const std::wstring self = ORBModulePath(nullptr);
    if (self.empty()) return false;
    SHELLEXECUTEINFOW sei = {};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | (unattended ? SEE_MASK_FLAG_NO_UI : 0);
    sei.lpVerb = L"runas";
    sei.lpFile = self.c_str();
    sei.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    sei.nShow = SW_SHOWNORMAL;
    if (!g_orbShellExecuteEx(&sei)) {
        DWORD err = GetLastError();
        ORBLog(L"Fun:%s, Description:%s not started elevated, err:%lu\r\n", L"Lua_RunElevated", self.c_str(), err);
        SetLastError(err);
        return false;
    }
    ORBHandle process(sei.hProcess);
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    WaitForSingleObject(process.get(), INFINITE);
    if (!GetExitCodeProcess(process.get(), &exitCode)) return false;
    ORBLog(L"Fun:%s, Description:the elevated run ended with exit code %lu\r\n", L"Lua_RunElevated", exitCode);
    return true;
}
