// Drawing primitives of the UI objects. All go through the GDI+ graphics wrapper
// (Gdiplus::Graphics), which records a failed call's status in its last status and lets
// the tree walk continue. Source coordinates are pixels (UnitPixel).
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>

namespace ORBUE {

class ImageObject;

// Source rectangles are in layout units of the image: an image of the engine drawn under a
// scaled transform may be its larger version (ImageObject::ForScale), whose source
// coordinates are these times its factor. Scaled draws sample only inside the source
// rectangle, so a cell of a sprite strip never takes colour from its neighbour.

// The scale of the graphics' transform (x axis); 1 without one.
float GraphicsScale(Gdiplus::Graphics* g);

// Source (sx, sy, sw, sh) placed at its layout size with its top-left at (x, y). Null image: nothing.
void DrawImageUnscaled(Gdiplus::Graphics* g, ImageObject* image, int x, int y, int sx, int sy, int sw,
                       int sh);

// Source (sx, sy, sw, sh) stretched into (x, y, w, h), optionally through image attributes.
// An image of the engine is drawn from its version for the scale and its premultiplied copy;
// any other image (a blend made for one frame) as it is, its source in its own pixels. When
// such an image's premultiplied pixels also live in a top-down 32-bit DIB section
// (`section`), a pixel-to-pixel draw is a GDI alpha blend from it, a fraction of a GDI+ draw.
void DrawImageScaled(Gdiplus::Graphics* g, ImageObject* image, float x, float y, float w, float h, float sx,
                     float sy, float sw, float sh, const Gdiplus::ImageAttributes* attributes = nullptr);
void DrawImageScaled(Gdiplus::Graphics* g, Gdiplus::Image* image, float x, float y, float w, float h,
                     float sx, float sy, float sw, float sh,
                     const Gdiplus::ImageAttributes* attributes = nullptr, HBITMAP section = nullptr);

// As DrawImageScaled with high-quality bicubic interpolation for this one call; the
// previous interpolation mode is restored.
void DrawImageScaledHQ(Gdiplus::Graphics* g, ImageObject* image, float x, float y, float w, float h,
                       float sx, float sy, float sw, float sh);

// Whole string at (x, y), zero-sized layout rectangle (no wrap, no clip to the control),
// default format, ClearType grid-fit for this call only. Null font or brush: nothing.
void DrawTextAt(Gdiplus::Graphics* g, const wchar_t* text, const Gdiplus::Font* font,
                const Gdiplus::Brush* brush, float x, float y);

// Owned font and brush of a text-bearing control; each setter replaces the previous one.
class TextStyle {
public:
    TextStyle() = default;
    ~TextStyle();
    TextStyle(const TextStyle&) = delete;
    TextStyle& operator=(const TextStyle&) = delete;

    // Brush ARGB (254 << 24) | rgb, low 8 bits of each argument.
    void SetColor(int r, int g, int b);
    // Family face, em size in points at 96 DPI (the layout's DPI: the graphics' transform
    // scales it with everything else), bold/regular plus extraStyle (underline for links).
    // A face that is not installed falls back to the system's message font, then to the
    // generic sans-serif family (logged once per face); with neither, text draws nothing.
    void SetFont(const wchar_t* face, float size, bool bold, int extraStyle = 0);
    void Draw(Gdiplus::Graphics* g, const wchar_t* text, float x, float y) const;
    // One line centred both ways in (x, y, w, h), not clipped (a button's caption).
    void DrawCentred(Gdiplus::Graphics* g, const wchar_t* text, float x, float y, float w, float h) const;

    Gdiplus::Font* font() const { return font_.get(); }
    Gdiplus::SolidBrush* brush() const { return brush_.get(); }

private:
    std::unique_ptr<Gdiplus::Font> font_;
    std::unique_ptr<Gdiplus::SolidBrush> brush_;
};

// The keyboard focus mark: a 1-pixel dotted rectangle just around rect, dots of color over
// white (over black for a light color) so that it shows on any skin.
void DrawFocusMark(Gdiplus::Graphics* g, const RECT& rect, Gdiplus::ARGB color);

// Pixels <-> HIMETRIC (0.01 mm) with the logical DPI of the axis.
int HimetricToPixels(int himetric, int dpi);
int PixelsToHimetric(int pixels, int dpi);

}  // namespace ORBUE
