#include "orbuidraw.h"

#include "orbhandle.h"
#include "orbimageobject.h"

namespace ORBUE {

using namespace Gdiplus;

// Images of the engine are drawn from their premultiplied copy.
static Image* DrawableOf(Image* image) {
    auto* object = dynamic_cast<ImageObject*>(image);
    return object ? object->Drawable() : image;
}

// An opaque source needs no blending: copy it with GDI under the graphics' clip. Only
// when nothing (transform, page scale, pixel offset) would move or resample it.
static bool CopyOpaque(Graphics* g, ImageObject* image, int x, int y, int sx, int sy, int sw,
                       int sh) {
    HBITMAP section = image->OpaqueSection();
    if (!section || sx < 0 || sy < 0 || sw <= 0 || sh <= 0 ||
        UINT(sx) + UINT(sw) > image->GetWidth() || UINT(sy) + UINT(sh) > image->GetHeight())
        return false;
    Unit unit = g->GetPageUnit();
    PixelOffsetMode offset = g->GetPixelOffsetMode();
    if ((unit != UnitPixel && unit != UnitDisplay) || g->GetPageScale() != 1.0f ||
        (offset == PixelOffsetModeHalf || offset == PixelOffsetModeHighQuality) ||
        g->GetCompositingMode() != CompositingModeSourceOver)
        return false;
    Matrix m;
    if (g->GetTransform(&m) != Ok || !m.IsIdentity()) return false;
    Region clip;
    if (g->GetClip(&clip) != Ok) return false;
    HRGN rgn = clip.GetHRGN(g);  // null for an infinite clip
    bool done = false;
    HDC dc = g->GetHDC();
    if (dc) {
        int saved = SaveDC(dc);
        SelectClipRgn(dc, rgn);
        ORBMemDC src(CreateCompatibleDC(dc));
        if (src) {
            HGDIOBJ old = SelectObject(src.get(), section);
            done = BitBlt(dc, x, y, sw, sh, src.get(), sx, sy, SRCCOPY) != FALSE;
            SelectObject(src.get(), old);
        }
        RestoreDC(dc, saved);
        g->ReleaseHDC(dc);
    }
    if (rgn) DeleteObject(rgn);
    return done;
}

void DrawImageUnscaled(Graphics* g, Image* image, int x, int y, int sx, int sy, int sw, int sh) {
    if (!image) return;
    auto* object = dynamic_cast<ImageObject*>(image);
    if (object && CopyOpaque(g, object, x, y, sx, sy, sw, sh)) return;
    g->DrawImage(DrawableOf(image), x, y, sx, sy, sw, sh, UnitPixel);
}

void DrawImageScaled(Graphics* g, Image* image, float x, float y, float w, float h, float sx,
                     float sy, float sw, float sh, const ImageAttributes* attributes) {
    if (!image) return;
    // Colour-matrix draws convert every pixel anyway; they are faster from the decoded image.
    if (!attributes) image = DrawableOf(image);
    g->DrawImage(image, RectF(x, y, w, h), sx, sy, sw, sh, UnitPixel, attributes);
}

void DrawImageScaledHQ(Graphics* g, Image* image, float x, float y, float w, float h, float sx,
                       float sy, float sw, float sh) {
    if (!image) return;
    InterpolationMode old = g->GetInterpolationMode();
    g->SetInterpolationMode(InterpolationModeHighQualityBicubic);
    DrawImageScaled(g, image, x, y, w, h, sx, sy, sw, sh);
    g->SetInterpolationMode(old);
}

void DrawTextAt(Graphics* g, const wchar_t* text, const Font* font, const Brush* brush, float x,
                float y) {
    if (!text || !font || !brush) return;
    TextRenderingHint old = g->GetTextRenderingHint();
    g->SetTextRenderingHint(TextRenderingHintClearTypeGridFit);
    g->DrawString(text, -1, font, RectF(x, y, 0, 0), nullptr, brush);
    g->SetTextRenderingHint(old);
}

TextStyle::~TextStyle() {
    delete font_;
    delete brush_;
}

void TextStyle::SetColor(int r, int g, int b) {
    delete brush_;
    brush_ = new SolidBrush(Color(254, BYTE(r), BYTE(g), BYTE(b)));
}

void TextStyle::SetFont(const wchar_t* face, float size, bool bold, int extraStyle) {
    delete font_;
    font_ = nullptr;
    int style = (bold ? FontStyleBold : FontStyleRegular) | extraStyle;
    FontFamily family(face ? face : L"");
    if (family.GetLastStatus() == Ok) {
        font_ = new Font(&family, size, style, UnitPoint);
        if (font_->GetLastStatus() == Ok) return;
        delete font_;
        font_ = nullptr;
    }
    const FontFamily* generic = FontFamily::GenericSansSerif();
    if (!generic || !generic->IsAvailable()) return;
    font_ = new Font(generic, size, style, UnitPoint);
    if (font_->GetLastStatus() != Ok) {
        delete font_;
        font_ = nullptr;
    }
}

void TextStyle::Draw(Graphics* g, const wchar_t* text, float x, float y) const {
    DrawTextAt(g, text, font_, brush_, x, y);
}

int HimetricToPixels(int himetric, int dpi) {
    return MulDiv(himetric, dpi, 2540);
}

int PixelsToHimetric(int pixels, int dpi) {
    return dpi ? MulDiv(pixels, 2540, dpi) : 0;
}

}  // namespace ORBUE
