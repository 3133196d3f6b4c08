#include "orbdpi.h"

#include <math.h>

#include "orbcontainer.h"
#include "orbhandle.h"

namespace ORBUE {

namespace {

// The window property holding the scale in thousandths (a window property dies with its
// window, so a reused handle never inherits a stale scale).
const wchar_t kScaleProperty[] = L"OrbUiScale";
const float kMinScale = 0.5f, kMaxScale = 8.0f;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Windows 10 1607 and later; resolved once at run time so older systems still start.
GetDpiForWindowFn DpiForWindowFunction() {
    static const GetDpiForWindowFn fn = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                      : nullptr;
    }();
    return fn;
}

}  // namespace

UINT WindowDpi(HWND window) {
    if (GetDpiForWindowFn fn = DpiForWindowFunction()) {
        if (UINT dpi = window ? fn(window) : 0) return dpi;
    }
    ORBWindowDC dc(window);
    int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? UINT(dpi) : kLayoutDpi;
}

float ScaleForDpi(UINT dpi) {
    return dpi ? float(dpi) / float(kLayoutDpi) : 1.0f;
}

float WindowScale(HWND window) {
    if (!window) return 1.0f;
    HANDLE value = GetPropW(window, kScaleProperty);
    return value ? float(reinterpret_cast<UINT_PTR>(value)) / 1000.0f : 1.0f;
}

bool SetWindowScale(HWND window, float scale) {
    if (!(scale >= kMinScale && scale <= kMaxScale)) scale = 1.0f;
    const UINT_PTR thousandths = UINT_PTR(scale * 1000.0f + 0.5f);
    return SetPropW(window, kScaleProperty, reinterpret_cast<HANDLE>(thousandths)) != FALSE;
}

int ScaleLength(int layout, float scale) {
    return int(lroundf(float(layout) * scale));
}

RECT ScaleRect(const RECT& layout, float scale) {
    RECT r;
    r.left = LONG(floorf(float(layout.left) * scale));
    r.top = LONG(floorf(float(layout.top) * scale));
    r.right = LONG(ceilf(float(layout.right) * scale));
    r.bottom = LONG(ceilf(float(layout.bottom) * scale));
    return r;
}

POINT ScalePoint(POINT layout, float scale) {
    return {LONG(lroundf(float(layout.x) * scale)), LONG(lroundf(float(layout.y) * scale))};
}

POINT UnscalePoint(POINT window, float scale) {
    if (!(scale > 0.0f)) return window;
    return {LONG(floorf(float(window.x) / scale)), LONG(floorf(float(window.y) / scale))};
}

void ApplyWindowScale(ContainerUIObjectImpl* root) {
    if (!root) return;
    root->ForEachControl([](IORBBaseUIObject* object) { object->ApplyScale(); });
}

RECT LayoutToWindow(HWND window, const RECT& layout) {
    return ScaleRect(layout, WindowScale(window));
}

}  // namespace ORBUE
