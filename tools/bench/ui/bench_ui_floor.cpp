// The floor of the first-frame benchmark: the least a program does to show a dialog-sized
// window, one layered window of 600x430 from one PNG resource (GDI+ start, decode,
// UpdateLayeredWindow, show). It answers the frame-count message as the dialogs do.
// usage: bench_ui_floor [times file]  (writes when each step ended, in milliseconds of the
// performance counter, once the window is shown)
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstring>

#include "orbhandle.h"
#include "orbuimessages.h"

namespace {

constexpr int kPngResource = 1;
LONG g_frames = 0;

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case ORBUM_FRAMECOUNT:
        return g_frames;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// The PNG resource decoded into a new top-down premultiplied 32-bit section; null on failure.
HBITMAP DecodePng(int* width, int* height) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(kPngResource), L"PNG");
    HGLOBAL loaded = res ? LoadResource(nullptr, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return nullptr;
    const DWORD size = SizeofResource(nullptr, res);
    ORBGlobalMem block(GlobalAlloc(GMEM_FIXED, size));
    if (!block) return nullptr;
    memcpy(static_cast<void*>(block.get()), data, size);
    ORBComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put())) || !stream) return nullptr;
    block.release();  // the stream frees it now
    ORBGdiObject<HBITMAP> section;
    {
        Gdiplus::Bitmap png(stream.get());
        const int w = int(png.GetWidth()), h = int(png.GetHeight());
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        if (png.GetLastStatus() == Gdiplus::Ok && w > 0 && h > 0)
            section.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        Gdiplus::Rect all(0, 0, w, h);
        Gdiplus::BitmapData out = {};
        out.Width = UINT(w);
        out.Height = UINT(h);
        out.Stride = w * 4;
        out.PixelFormat = PixelFormat32bppPARGB;
        out.Scan0 = bits;
        // The pixels converted straight into the section.
        if (section && png.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                    PixelFormat32bppPARGB, &out) == Gdiplus::Ok) {
            png.UnlockBits(&out);
            *width = w;
            *height = h;
        } else {
            section.reset();
        }
    }
    return section.release();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    double times[4];
    times[0] = Now();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
    times[1] = Now();
    int w = 0, h = 0;
    ORBGdiObject<HBITMAP> section(DecodePng(&w, &h));
    if (!section) return 1;
    times[2] = Now();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"OrbBenchFloor";
    if (!RegisterClassW(&wc)) return 1;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED, wc.lpszClassName, L"Floor", WS_POPUP, x, y, w, h, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;
    {
        ORBWindowDC screen(nullptr);
        ORBMemDC mem(CreateCompatibleDC(screen.get()));
        HGDIOBJ old = SelectObject(mem.get(), section.get());
        SIZE size = {w, h};
        POINT src = {0, 0};
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        if (UpdateLayeredWindow(hwnd, screen.get(), nullptr, &size, mem.get(), &src, 0, &blend, ULW_ALPHA)) g_frames = 1;
        SelectObject(mem.get(), old);
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    times[3] = Now();

    int argc = 0;
    ORBLocalMem<wchar_t**> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (argv) {
        if (argc > 1) {
            if (FILE* f = _wfopen(argv.get()[1], L"w")) {
                std::fprintf(f, "%.3f %.3f %.3f %.3f\n", times[0], times[1], times[2], times[3]);
                std::fclose(f);
            }
        }
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    section.reset();
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
