// Target process for the process tests: one hidden top-level window that either closes
// on SC_CLOSE / WM_CLOSE or ignores both.
//   orbproctarget close|ignore [/class:Name] [/msg:N] [/ready:EventName]
// Exit codes: 11 closed by SC_CLOSE, 12 closed by WM_CLOSE, wParam of message N,
// 99 when nobody ended it within 30 s (so a failed test leaves nothing behind).
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

bool g_ignore = false;
UINT g_custom = 0;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_custom && msg == g_custom) {
        PostQuitMessage(static_cast<int>(wParam));
        return 0;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            if (!g_ignore) {
                PostQuitMessage(11);
                DestroyWindow(hwnd);
            }
            return 0;
        }
        break;
    case WM_CLOSE:
        if (!g_ignore) {
            PostQuitMessage(12);
            DestroyWindow(hwnd);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::wstring Option(int argc, wchar_t** argv, const wchar_t* name) {
    size_t n = wcslen(name);
    for (int i = 1; i < argc; ++i)
        if (wcsncmp(argv[i], name, n) == 0) return argv[i] + n;
    return L"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    g_ignore = argc > 1 && wcscmp(argv[1], L"ignore") == 0;
    std::wstring cls = Option(argc, argv, L"/class:");
    if (cls.empty()) cls = L"OrbProcTarget";
    std::wstring msg = Option(argc, argv, L"/msg:");
    if (!msg.empty()) g_custom = static_cast<UINT>(wcstoul(msg.c_str(), nullptr, 0));

    WNDCLASSW wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls.c_str();
    if (!RegisterClassW(&wc)) return 98;
    HWND hwnd = CreateWindowExW(0, cls.c_str(), L"orbproctarget", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return 97;
    SetTimer(nullptr, 0, 30000, nullptr);

    std::wstring ready = Option(argc, argv, L"/ready:");
    if (!ready.empty()) {
        HANDLE ev = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready.c_str());
        if (ev) {
            SetEvent(ev);
            CloseHandle(ev);
        }
    }
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_TIMER && !m.hwnd) return 99;
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}
