#include "orbuiframe.h"

#include <math.h>

#include "orbdpi.h"
#include "orbhandle.h"

namespace ORBUE {

bool RenderTree(HDC memDC, MemoryBitmap& bitmap, IORBBaseUIObject* root, int width, int height,
                float scale) {
    if (!bitmap.Create(memDC, width, height)) return false;
    HGDIOBJ old = SelectObject(memDC, bitmap.handle());
    bool ok = false;
    {
        Gdiplus::Graphics g(memDC);
        if (g.GetLastStatus() == Gdiplus::Ok) {
            if (scale != 1.0f) {
                g.ScaleTransform(scale, scale);
                g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
                // Pixel centres at half units: scaled edges land on pixel edges.
                g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
            }
            if (root) root->Draw(&g);
            ok = true;
        }
    }
    GdiFlush();
    SelectObject(memDC, old);
    return ok;
}

bool ComposeFrame(HWND window, IORBBaseUIObject* root) {
    if (!root) return false;
    RECT wr;
    if (!GetWindowRect(window, &wr)) return false;
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    ORBWindowDC wdc(window);
    if (!wdc) return false;
    bool ok = false;
    {
        ORBMemDC mem(CreateCompatibleDC(wdc.get()));
        MemoryBitmap bmp;
        if (mem && RenderTree(mem.get(), bmp, root, w, h, WindowScale(window))) {
            HGDIOBJ old = SelectObject(mem.get(), bmp.handle());
            SIZE size = {w, h};
            POINT src = {0, 0};
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            ok = UpdateLayeredWindow(window, nullptr, nullptr, &size, mem.get(), &src, 0, &blend,
                                     ULW_ALPHA) != FALSE;
            SelectObject(mem.get(), old);
        }
    }
    return ok;
}

bool DrawGdiOnAlpha(Gdiplus::Graphics* graphics, const RECT& area,
                    const std::function<void(HDC memDC, int width, int height)>& paint) {
    int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return false;
    // The clip and transform must be read before the graphics hands out its device context.
    Gdiplus::Rect clip;
    graphics->GetClipBounds(&clip);
    const RECT cr = DeviceArea(graphics, {clip.X, clip.Y, clip.X + clip.Width, clip.Y + clip.Height});
    HDC dc = graphics->GetHDC();
    if (!dc) return false;
    // Infinite clips come back huge; keep the region within the area.
    RECT rr;
    if (!IntersectRect(&rr, &cr, &area)) SetRectEmpty(&rr);
    ORBGdiObject<HRGN> rgn(CreateRectRgn(rr.left, rr.top, rr.right, rr.bottom));
    ExtSelectClipRgn(dc, rgn.get(), RGN_COPY);
    bool ok = false;
    {
        ORBMemDC mem(CreateCompatibleDC(dc));
        MemoryBitmap bmp;
        if (mem && bmp.Create(mem.get(), w, h)) {
            HGDIOBJ old = SelectObject(mem.get(), bmp.handle());
            BitBlt(mem.get(), 0, 0, w, h, dc, area.left, area.top, SRCCOPY);
            paint(mem.get(), w, h);
            bmp.FixAlpha();
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            ok = GdiAlphaBlend(dc, area.left, area.top, w, h, mem.get(), 0, 0, w, h, blend) != FALSE;
            SelectObject(mem.get(), old);
        }
    }
    ExtSelectClipRgn(dc, nullptr, RGN_COPY);
    graphics->ReleaseHDC(dc);
    return ok;
}

RECT DeviceArea(Gdiplus::Graphics* graphics, const RECT& area) {
    Gdiplus::Matrix m;
    if (graphics->GetTransform(&m) != Gdiplus::Ok || m.IsIdentity()) return area;
    // Huge (infinite) clip bounds would overflow the float-to-int conversion: keep them.
    const LONG kFar = 1 << 24;
    if (area.left < -kFar || area.top < -kFar || area.right > kFar || area.bottom > kFar) return area;
    Gdiplus::PointF corners[2] = {Gdiplus::PointF(float(area.left), float(area.top)),
                                  Gdiplus::PointF(float(area.right), float(area.bottom))};
    m.TransformPoints(corners, 2);
    return {LONG(floorf(corners[0].X + 0.001f)), LONG(floorf(corners[0].Y + 0.001f)),
            LONG(ceilf(corners[1].X - 0.001f)), LONG(ceilf(corners[1].Y - 0.001f))};
}

}  // namespace ORBUE
