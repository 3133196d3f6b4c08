#include "orbrunwindow.h"

#include <gdiplus.h>

#include "orbhandle.h"

namespace {

struct WindowSearch {
    DWORD pid;
    const wchar_t* cls;
    HWND notThis;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    if (pid != s->pid || hwnd == s->notThis || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, cls, 64) ||
        wcscmp(cls, s->cls) != 0)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

int PngEncoder(CLSID* clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return -1;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return -1;
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return static_cast<int>(i);
        }
    return -1;
}

}  // namespace

HWND ORBWaitForWindow(DWORD pid, const wchar_t* cls, HWND notThis, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        WindowSearch s{pid, cls, notThis, nullptr};
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

bool ORBWaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

void ORBMoveClient(HWND hwnd, int x, int y) { PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

void ORBClickClient(HWND hwnd, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageW(hwnd, WM_MOUSEMOVE, 0, at);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

void ORBPressKey(HWND hwnd, UINT vk, bool alt) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
    if (alt) {
        down |= 1 << 29;
        up |= 1 << 29;
    }
    PostMessageW(hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
    PostMessageW(hwnd, alt ? WM_SYSKEYUP : WM_KEYUP, vk, up);
}

void ORBTypeText(HWND hwnd, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(hwnd, WM_CHAR, c, 1);
}

bool ORBCaptureWindow(HWND hwnd, ORBFrame& frame) {
    RECT rc;
    if (!IsWindowVisible(hwnd) || !GetWindowRect(hwnd, &rc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    ORBMemDC mem(CreateCompatibleDC(screen));
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ORBGdiObject<HBITMAP> bmp(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    bool ok = false;
    if (mem && bmp && bits) {
        HGDIOBJ old = SelectObject(mem.get(), bmp.get());
        ok = BitBlt(mem.get(), 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY | CAPTUREBLT) != FALSE;
        GdiFlush();
        SelectObject(mem.get(), old);
        if (ok) {
            frame.width = w;
            frame.height = h;
            const DWORD* p = static_cast<const DWORD*>(bits);
            frame.pixels.assign(p, p + static_cast<size_t>(w) * h);
        }
    }
    ReleaseDC(nullptr, screen);
    return ok;
}

bool ORBSaveFramePng(const ORBFrame& frame, const std::wstring& path) {
    if (frame.width <= 0 || frame.height <= 0) return false;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool ok = false;
    {
        std::vector<DWORD> opaque(frame.pixels);
        for (DWORD& px : opaque) px |= 0xFF000000u;
        Gdiplus::Bitmap bitmap(frame.width, frame.height, frame.width * 4, PixelFormat32bppARGB,
                               reinterpret_cast<BYTE*>(opaque.data()));
        CLSID png;
        if (PngEncoder(&png) >= 0) ok = bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return ok;
}
