// A program that holds a file open, as another program of a product or a viewer would:
//   orbholder <file> [exclusive|sharedelete] [stubborn]
// exclusive shares nothing; sharedelete lets others rename or delete the file. It shows
// a window and ends when it is closed or the session ends, unless stubborn, which
// ignores being asked to close.
#include <windows.h>

#include <cwchar>

namespace {

bool g_stubborn = false;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE:
            if (!g_stubborn) DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            if (g_stubborn && (wParam & 0xFFF0) == SC_CLOSE) return 0;
            break;
        case WM_QUERYENDSESSION:
            return g_stubborn ? FALSE : TRUE;
        case WM_ENDSESSION:
            if (wParam && !g_stubborn) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 2;
    DWORD share = 0;
    if (argc >= 3 && wcscmp(argv[2], L"sharedelete") == 0) share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    g_stubborn = argc >= 4 && wcscmp(argv[3], L"stubborn") == 0;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;

    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"OrbHolderWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"OrbHolderWindow", L"ORB Holder", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                              nullptr, instance, nullptr);
    if (!hwnd) return 4;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CloseHandle(file);
    return 0;
}
