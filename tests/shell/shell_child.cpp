// Child program for the launch tests: shell_child <out file> <sleep ms> waits, then
// writes "show=<n>" with the show command it was started with (-1: none given).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 2;
    Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    GetStartupInfoW(&si);
    int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    FILE* f = _wfopen(argv[1], L"w");
    if (!f) return 3;
    fprintf(f, "show=%d", show);
    fclose(f);
    LocalFree(argv);
    return 0;
}
