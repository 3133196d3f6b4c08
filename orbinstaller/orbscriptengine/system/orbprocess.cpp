#include "orbprocess.h"

#include <cmath>

#include "orbprocesstoolhelp.h"

ORBExitWindowsFn g_orbExitWindowsEx = ExitWindowsEx;

bool ORBPidFromNumber(double value, DWORD& pid) {
    if (!(value >= 0 && value <= 4294967295.0) || std::floor(value) != value) return false;
    pid = static_cast<DWORD>(value);
    return true;
}

std::vector<DWORD> ORBGetProcessIds(const std::wstring& exeName) {
    ORBProcessToolHelp helper;
    if (!helper.Snapshot()) return {};
    return helper.FindProcessesByName(exeName.c_str());
}

bool ORBGetImagePathByPid(DWORD pid, std::wstring& path) {
    ORBProcessToolHelp helper;
    return helper.ImagePathFromPid(pid, path);
}

void ORBPostToWindowClass(const std::wstring& className, UINT message, WPARAM wParam, LPARAM lParam) {
    if (className.empty()) return;
    HWND hwnd = FindWindowW(className.c_str(), nullptr);
    if (hwnd) PostMessageW(hwnd, message, wParam, lParam);
}

bool ORBKillTaskById(bool valid, DWORD pid) {
    return !valid || ORBProcessToolHelp::CloseProcessByPid(pid);
}

bool ORBKillTaskByName(const std::wstring& exeName) {
    ORBProcessToolHelp helper;
    helper.Snapshot();
    long long id = helper.FindProcessByName(exeName.c_str());
    return id < 0 || ORBProcessToolHelp::CloseProcessByPid(static_cast<DWORD>(id));
}

bool ORBExitWindows(UINT flags, DWORD reason) {
    ORBProcessToolHelp::EnablePrivilege(L"SeShutdownPrivilege", true);
    return g_orbExitWindowsEx(flags, reason) != FALSE;
}
