#include "orbuidraw.h"

#include <cmath>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "orbhandle.h"
#include "orbimageobject.h"
#include "orblog.h"

namespace ORBUE {

using namespace Gdiplus;

// Pixels held in a DIB section (iw x ih) drawn with GDI under the graphics' clip: an opaque
// source copied, a premultiplied one alpha-blended. Only when nothing (transform, page
// scale, pixel offset) would move or resample them.
static bool DrawSection(Graphics* g, HBITMAP section, UINT iw, UINT ih, bool blend, int x, int y, int sx,
                        int sy, int sw, int sh) {
    if (!section || sx < 0 || sy < 0 || sw <= 0 || sh <= 0 || UINT(sx) + UINT(sw) > iw ||
        UINT(sy) + UINT(sh) > ih)
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
    ORBGdiObject<HRGN> rgn(clip.GetHRGN(g));  // null for an infinite clip
    bool done = false;
    HDC dc = g->GetHDC();
    if (dc) {
        int saved = SaveDC(dc);
        SelectClipRgn(dc, rgn.get());
        ORBMemDC src(CreateCompatibleDC(dc));
        if (src) {
            HGDIOBJ old = SelectObject(src.get(), section);
            const BLENDFUNCTION over = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            done = (blend ? GdiAlphaBlend(dc, x, y, sw, sh, src.get(), sx, sy, sw, sh, over)
                          : BitBlt(dc, x, y, sw, sh, src.get(), sx, sy, SRCCOPY)) != FALSE;
            SelectObject(src.get(), old);
        }
        RestoreDC(dc, saved);
        g->ReleaseHDC(dc);
    }
    return done;
}

static bool CopyOpaque(Graphics* g, ImageObject* image, int x, int y, int sx, int sy, int sw, int sh) {
    return DrawSection(g, image->OpaqueSection(), image->GetWidth(), image->GetHeight(), false, x, y, sx, sy, sw,
                       sh);
}

// Cuts the source rectangle (and the target with it) to the image. At 100 % GDI+ draws
// nothing for the outside part; the edge mode of scaled draws would mirror the image into
// it. False when nothing of the source lies on the image.
static bool ClipSource(Image* image, float& x, float& y, float& w, float& h, float& sx, float& sy, float& sw,
                       float& sh) {
    if (!(sw > 0.0f && sh > 0.0f)) return false;
    const float kx = w / sw, ky = h / sh;
    const float l = sx > 0.0f ? sx : 0.0f, t = sy > 0.0f ? sy : 0.0f;
    const float r = sx + sw < float(image->GetWidth()) ? sx + sw : float(image->GetWidth());
    const float b = sy + sh < float(image->GetHeight()) ? sy + sh : float(image->GetHeight());
    if (r <= l || b <= t) return false;
    x += (l - sx) * kx, y += (t - sy) * ky, w = (r - l) * kx, h = (b - t) * ky;
    sx = l, sy = t, sw = r - l, sh = b - t;
    return true;
}

float GraphicsScale(Graphics* g) {
    Matrix m;
    REAL e[6];
    if (g->GetTransform(&m) != Ok || m.IsIdentity() || m.GetElements(e) != Ok) return 1.0f;
    return e[0];
}

void DrawImageUnscaled(Graphics* g, ImageObject* image, int x, int y, int sx, int sy, int sw, int sh) {
    if (!image) return;
    if (GraphicsScale(g) != 1.0f) {
        DrawImageScaled(g, image, float(x), float(y), float(sw), float(sh), float(sx), float(sy), float(sw),
                        float(sh));
        return;
    }
    if (CopyOpaque(g, image, x, y, sx, sy, sw, sh)) return;
    // Rectangle to rectangle, whatever DPI the image and the device report.
    g->DrawImage(image->Drawable(), Rect(x, y, sw, sh), sx, sy, sw, sh, UnitPixel);
}

namespace {

// The source rectangle of the pixels to draw into the target at the graphics' scale.
void DrawPixelsScaled(Graphics* g, Image* image, float scale, float x, float y, float w, float h, float sx,
                      float sy, float sw, float sh, const ImageAttributes* attributes) {
    if (scale == 1.0f) {
        g->DrawImage(image, RectF(x, y, w, h), sx, sy, sw, sh, UnitPixel, attributes);
        return;
    }
    if (!ClipSource(image, x, y, w, h, sx, sy, sw, sh)) return;
    // Resampling reads around each pixel: mirrored at the source's edges, not the
    // neighbouring cell or transparency beyond them.
    ImageAttributes plain;
    std::unique_ptr<ImageAttributes> copy(attributes ? attributes->Clone() : nullptr);
    ImageAttributes* edges = copy ? copy.get() : attributes ? nullptr : &plain;
    if (edges) edges->SetWrapMode(WrapModeTileFlipXY);
    g->DrawImage(image, RectF(x, y, w, h), sx, sy, sw, sh, UnitPixel, edges ? edges : attributes);
}

bool Whole(float v) { return std::fabs(v - std::round(v)) < 0.001f; }

// Pixels made for the scale (an image's @2x file at 200 %, a blend made from it) drawn at
// their own size map pixel to pixel: drawn in device pixels, without the transform,
// nothing is resampled, and pixels that also live in a section are drawn from it by GDI
// (copied when opaque, else blended). False, with nothing drawn, when the draw is no such
// mapping.
bool DrawDevicePixels(Graphics* g, Image* pixels, HBITMAP section, bool blend, float scale, float x, float y,
                      float w, float h, float sx, float sy, float sw, float sh) {
    Matrix m;
    REAL e[6];
    if (g->GetTransform(&m) != Ok || m.GetElements(e) != Ok) return false;
    if (e[0] != scale || e[3] != scale || e[1] != 0.0f || e[2] != 0.0f) return false;
    const float dx = x * scale + e[4], dy = y * scale + e[5];
    if (std::fabs(w * scale - sw) > 0.001f || std::fabs(h * scale - sh) > 0.001f) return false;
    if (!Whole(dx) || !Whole(dy) || !Whole(sx) || !Whole(sy) || !Whole(sw) || !Whole(sh)) return false;
    const int ix = int(std::lround(dx)), iy = int(std::lround(dy)), isx = int(std::lround(sx)),
              isy = int(std::lround(sy)), isw = int(std::lround(sw)), ish = int(std::lround(sh));
    // The clip stays where it is on the device. Whole device pixels need no half-pixel
    // offset (the dialogs set one for scaled draws), and without one GDI may draw them.
    g->ResetTransform();
    const PixelOffsetMode offset = g->GetPixelOffsetMode();
    const InterpolationMode mode = g->GetInterpolationMode();
    g->SetPixelOffsetMode(PixelOffsetModeNone);
    if (!DrawSection(g, section, pixels->GetWidth(), pixels->GetHeight(), blend, ix, iy, isx, isy, isw, ish)) {
        g->SetInterpolationMode(InterpolationModeNearestNeighbor);
        g->DrawImage(pixels, Rect(ix, iy, isw, ish), isx, isy, isw, ish, UnitPixel);
        g->SetInterpolationMode(mode);
    }
    g->SetPixelOffsetMode(offset);
    g->SetTransform(&m);
    return true;
}

}  // namespace

void DrawImageScaled(Graphics* g, ImageObject* image, float x, float y, float w, float h, float sx, float sy,
                     float sw, float sh, const ImageAttributes* attributes) {
    if (!image) return;
    const float scale = GraphicsScale(g);
    ImageObject* object = image->ForScale(scale);
    const float f = object->Factor();
    sx *= f, sy *= f, sw *= f, sh *= f;
    if (scale != 1.0f && !attributes &&
        DrawDevicePixels(g, object->Drawable(), object->OpaqueSection(), false, scale, x, y, w, h, sx, sy, sw, sh))
        return;
    // Colour-matrix draws convert every pixel anyway; they are faster from the decoded image.
    Image* pixels = attributes ? static_cast<Image*>(object) : object->Drawable();
    DrawPixelsScaled(g, pixels, scale, x, y, w, h, sx, sy, sw, sh, attributes);
}

void DrawImageScaled(Graphics* g, Image* image, float x, float y, float w, float h, float sx, float sy, float sw,
                     float sh, const ImageAttributes* attributes, HBITMAP section) {
    if (!image) return;
    const float scale = GraphicsScale(g);
    if ((scale != 1.0f || section) && !attributes &&
        DrawDevicePixels(g, image, section, true, scale, x, y, w, h, sx, sy, sw, sh))
        return;
    DrawPixelsScaled(g, image, scale, x, y, w, h, sx, sy, sw, sh, attributes);
}

void DrawImageScaledHQ(Graphics* g, ImageObject* image, float x, float y, float w, float h, float sx,
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

TextStyle::~TextStyle() = default;

void TextStyle::SetColor(int r, int g, int b) {
    brush_ = std::make_unique<SolidBrush>(Color(254, BYTE(r), BYTE(g), BYTE(b)));
}

namespace {

// The face the system draws its message font with ("Segoe UI", "Microsoft YaHei UI"). Asked
// of GDI after selecting the font, because the configured name may be an alias that only
// GDI resolves (Wine's "MS Shell Dlg"). Empty when the system does not say.
std::wstring MessageFontFace() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return std::wstring();
    ORBGdiObject<HFONT> font(CreateFontIndirectW(&metrics.lfMessageFont));
    ORBMemDC dc(CreateCompatibleDC(nullptr));
    if (!font || !dc) return metrics.lfMessageFont.lfFaceName;
    HGDIOBJ old = SelectObject(dc.get(), font.get());
    // The outline metrics name the family GDI really chose; the face name may still be the
    // alias (Wine maps "MS Shell Dlg" through its font configuration).
    std::wstring family;
    if (const UINT size = GetOutlineTextMetricsW(dc.get(), 0, nullptr); size >= sizeof(OUTLINETEXTMETRICW)) {
        std::vector<BYTE> buffer(size);
        auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (GetOutlineTextMetricsW(dc.get(), size, otm)) {
            // otmpFamilyName is an offset from the start of the structure.
            const size_t offset = reinterpret_cast<size_t>(otm->otmpFamilyName);
            if (offset < size) family = reinterpret_cast<const wchar_t*>(buffer.data() + offset);
        }
    }
    wchar_t face[LF_FACESIZE] = {};
    const int n = family.empty() ? GetTextFaceW(dc.get(), LF_FACESIZE, face) : 0;
    SelectObject(dc.get(), old);
    if (!family.empty()) return family;
    return n > 0 ? std::wstring(face) : std::wstring(metrics.lfMessageFont.lfFaceName);
}

std::unique_ptr<Font> MakeFont(const FontFamily* family, float size, int style) {
    if (!family || family->GetLastStatus() != Ok || !family->IsAvailable()) return nullptr;
    // Points at the layout's 96 DPI, whatever the device context says: scaling is the
    // graphics' transform alone.
    auto font = std::make_unique<Font>(family, size * 96.0f / 72.0f, style, UnitPixel);
    if (font->GetLastStatus() != Ok) font.reset();
    return font;
}

// One line per missing face and process, however many objects ask for it.
void LogSubstitution(const std::wstring& face, const std::wstring& used) {
    static std::mutex lock;
    static std::set<std::wstring> logged;
    std::lock_guard<std::mutex> guard(lock);
    if (!logged.insert(face).second) return;
    ORBLog(L"font face \"%s\" is not installed, text drawn with \"%s\"\r\n", face.c_str(), used.c_str());
}

}  // namespace

void TextStyle::SetFont(const wchar_t* face, float size, bool bold, int extraStyle) {
    font_.reset();
    int style = (bold ? FontStyleBold : FontStyleRegular) | extraStyle;
    const std::wstring wanted = face ? face : L"";
    FontFamily family(wanted.c_str());
    if ((font_ = MakeFont(&family, size, style))) return;
    // A face that is not installed (an optional language font, a typo) would draw no text
    // at all: the message font of the system, then the generic sans-serif family.
    const std::wstring message = MessageFontFace();
    if (!message.empty()) {
        FontFamily messageFamily(message.c_str());
        if ((font_ = MakeFont(&messageFamily, size, style))) {
            LogSubstitution(wanted, message);
            return;
        }
    }
    const FontFamily* generic = FontFamily::GenericSansSerif();
    if ((font_ = MakeFont(generic, size, style))) {
        wchar_t name[LF_FACESIZE] = {};
        generic->GetFamilyName(name);
        LogSubstitution(wanted, name);
        return;
    }
    LogSubstitution(wanted, L"(no font)");
}

void TextStyle::Draw(Graphics* g, const wchar_t* text, float x, float y) const {
    DrawTextAt(g, text, font_.get(), brush_.get(), x, y);
}

void TextStyle::DrawCentred(Graphics* g, const wchar_t* text, float x, float y, float w, float h) const {
    if (!text || !font_ || !brush_) return;
    StringFormat format(StringFormatFlagsNoWrap | StringFormatFlagsNoClip);
    format.SetAlignment(StringAlignmentCenter);
    format.SetLineAlignment(StringAlignmentCenter);
    TextRenderingHint old = g->GetTextRenderingHint();
    g->SetTextRenderingHint(TextRenderingHintClearTypeGridFit);
    g->DrawString(text, -1, font_.get(), RectF(x, y, w, h), &format, brush_.get());
    g->SetTextRenderingHint(old);
}

int HimetricToPixels(int himetric, int dpi) {
    return MulDiv(himetric, dpi, 2540);
}

int PixelsToHimetric(int pixels, int dpi) {
    return dpi ? MulDiv(pixels, 2540, dpi) : 0;
}

void DrawFocusMark(Graphics* g, const RECT& r, ARGB color) {
    const Rect mark(r.left - 1, r.top - 1, r.right - r.left + 1, r.bottom - r.top + 1);
    const Color dotColor(color | 0xFF000000);
    const int luma = (dotColor.GetR() * 299 + dotColor.GetG() * 587 + dotColor.GetB() * 114) / 1000;
    const BYTE back = luma > 160 ? 0 : 255;
    Pen under(Color(255, back, back, back), 1.0f);
    g->DrawRectangle(&under, mark);
    Pen dots(dotColor, 1.0f);
    dots.SetDashStyle(DashStyleDot);
    g->DrawRectangle(&dots, mark);
}

}  // namespace ORBUE
