// Self-registration test library: records the entry point it ran in the process
// environment (ORB_T_REGSVR); ORB_T_REGSVR_FAIL makes it answer E_FAIL. Built a second
// time without the entry points.
#include <windows.h>

#ifndef ORB_NO_ENTRY_POINTS
namespace {
HRESULT Record(const wchar_t* what) {
    SetEnvironmentVariableW(L"ORB_T_REGSVR", what);
    return GetEnvironmentVariableW(L"ORB_T_REGSVR_FAIL", nullptr, 0) ? E_FAIL : S_OK;
}
}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return Record(L"register"); }
extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return Record(L"unregister"); }
#else
extern "C" __declspec(dllexport) int __stdcall OrbNothing() { return 0; }
#endif
