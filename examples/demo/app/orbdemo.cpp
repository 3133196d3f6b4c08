// ORB Demo: the program that the sample setup installs. It shows one window that says
// where it was installed, read from the product key that the setup writes.
#include <windows.h>

#include <string>

#include "orbhandle.h"

namespace {

const wchar_t kProductKey[] = L"Software\\ORB Demo";
const wchar_t kClassName[] = L"OrbDemoWindow";

// Reads a string value of the product key; empty when missing.
std::wstring ReadProductValue(const wchar_t* name) {
    ORBRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
    std::wstring out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size >= sizeof(wchar_t)) {
        std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&buf[0]), &size) ==
            ERROR_SUCCESS)
            out.assign(buf.c_str());
    }
    return out;
}

std::wstring g_text;

void BuildText() {
    std::wstring path = ReadProductValue(L"InstallPath");
    std::wstring version = ReadProductValue(L"Version");
    std::wstring date = ReadProductValue(L"InstallDate");
    if (path.empty()) {
        g_text = L"ORB Demo is not installed: the product key HKLM\\Software\\ORB Demo is missing.";
        return;
    }
    g_text = L"ORB Demo " + version + L" was installed.\n\nFolder: " + path;
    if (!date.empty()) g_text += L"\nInstalled on: " + date;
    if (wcsstr(GetCommandLineW(), L"/autostart")) g_text += L"\n\nStarted with Windows.";
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        ORBGdiObject<HBRUSH> band(CreateSolidBrush(RGB(38, 110, 214)));
        RECT top = {0, 0, rc.right, 56};
        FillRect(dc, &top, band.get());
        SetBkMode(dc, TRANSPARENT);
        ORBGdiObject<HFONT> title(CreateFontW(-22, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY,
                                  0, L"Segoe UI"));
        ORBGdiObject<HFONT> body(CreateFontW(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                 L"Segoe UI"));
        HGDIOBJ old = SelectObject(dc, title.get());
        SetTextColor(dc, RGB(255, 255, 255));
        RECT t = {20, 0, rc.right - 20, 56};
        DrawTextW(dc, L"ORB Demo", -1, &t, DT_SINGLELINE | DT_VCENTER);
        SelectObject(dc, body.get());
        SetTextColor(dc, RGB(40, 40, 40));
        RECT b = {20, 72, rc.right - 20, rc.bottom - 12};
        DrawTextW(dc, g_text.c_str(), -1, &b, DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    BuildText();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return 1;
    HWND hwnd = CreateWindowExW(0, kClassName, L"ORB Demo", WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX,
                                CW_USEDEFAULT, CW_USEDEFAULT, 520, 280, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
