#include "orbimageobject.h"

#include <string.h>

namespace ORBUE {

namespace {

// A w x h premultiplied 32-bit bitmap; with inSection, its pixels live in a top-down DIB
// section put into section (for GDI copies and blends), else in GDI+ memory and section
// is empty (also when the section cannot be made).
std::unique_ptr<Gdiplus::Bitmap> NewPremultiplied(UINT w, UINT h, bool inSection, ORBGdiObject<HBITMAP>& section) {
    section.reset();
    void* bits = nullptr;
    if (inSection && w <= 0x7FFFFFFFu / 4u && h <= 0x7FFFFFFFu) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = LONG(w);
        bi.bmiHeader.biHeight = -LONG(h);  // top-down, as GDI+ scans
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        section.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bits) section.reset();
    }
    return section ? std::make_unique<Gdiplus::Bitmap>(INT(w), INT(h), INT(w * 4), PixelFormat32bppPARGB,
                                                       static_cast<BYTE*>(bits))
                   : std::make_unique<Gdiplus::Bitmap>(INT(w), INT(h), PixelFormat32bppPARGB);
}

// Copies the resource into a movable-free global block owned by a new stream; null when
// the resource cannot be found, loaded or locked.
ORBComPtr<IStream> OpenResourceStream(HMODULE module, const wchar_t* type, UINT resId) {
    ORBComPtr<IStream> stream;
    if (!type || !*type) return stream;
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(LOWORD(resId)), type);
    HGLOBAL loaded = res ? LoadResource(module, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return stream;
    DWORD size = SizeofResource(module, res);
    ORBGlobalMem block(GlobalAlloc(GMEM_FIXED, size ? size : 1));
    if (!block) return stream;
    memcpy(static_cast<void*>(block.get()), data, size);
    if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put())) || !stream) return stream;
    block.release();  // the stream frees it now
    // The stream reports the block's allocated size; trim it to the resource's.
    ULARGE_INTEGER sz;
    sz.QuadPart = size;
    stream->SetSize(sz);
    return stream;
}

}  // namespace

// GDI+ keeps its own reference to the stream for as long as it needs the bytes. Without a
// stream GDI+ refuses the load (InvalidParameter) and every later draw fails harmlessly.
ImageObject::ImageObject(ORBComPtr<IStream> stream, StreamTag)
    : Gdiplus::Image(stream.get()), found_(static_cast<bool>(stream)) {
    if (found_) MakeDrawable();
}

ImageObject::~ImageObject() {
    large_.reset();
    fade_.reset();  // before the section that may hold its pixels
    fadeSection_.reset();
    drawable_.reset();  // before the section that may hold its pixels
    opaque_.reset();
}

void ImageObject::MakeDrawable() {
    if (GetLastStatus() != Gdiplus::Ok || GetType() != Gdiplus::ImageTypeBitmap) return;
    UINT w = GetWidth(), h = GetHeight();
    if (!w || !h) return;
    // Without alpha the copy lives in a DIB section, so opaque draws can be plain GDI copies.
    Gdiplus::PixelFormat f = GetPixelFormat();
    auto copy = NewPremultiplied(w, h, f == PixelFormat24bppRGB || f == PixelFormat32bppRGB || f == PixelFormat48bppRGB,
                                 opaque_);
    bool ok = copy->GetLastStatus() == Gdiplus::Ok;
    if (ok) {
        Gdiplus::Graphics g(copy.get());
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        // Rectangle to rectangle: the other forms size by the image's and the device's DPI,
        // which differ in a DPI-aware process on a scaled display.
        ok = g.DrawImage(this, Gdiplus::Rect(0, 0, INT(w), INT(h)), 0, 0, INT(w), INT(h), Gdiplus::UnitPixel) ==
             Gdiplus::Ok;
    }
    if (ok) {
        drawable_ = std::move(copy);
    } else {
        copy.reset();
        opaque_.reset();
    }
}

Gdiplus::Image* ImageObject::Drawable() {
    return drawable_ ? static_cast<Gdiplus::Image*>(drawable_.get()) : this;
}

Gdiplus::Bitmap* ImageObject::CrossFade(int x0, int x1, int w, int h, float alpha) {
    using namespace Gdiplus;
    if (!drawable_ || w <= 0 || h <= 0 || !(alpha >= 0.0f && alpha <= 1.0f)) return nullptr;
    UINT iw = drawable_->GetWidth(), ih = drawable_->GetHeight();
    if (x0 < 0 || x1 < 0 || UINT(h) > ih || UINT(x0) + UINT(w) > iw || UINT(x1) + UINT(w) > iw)
        return nullptr;
    if (fade_ && INT(fade_->GetWidth()) == w && INT(fade_->GetHeight()) == h && fadeX0_ == x0 &&
        fadeX1_ == x1 && fadeAlpha_ == alpha)
        return fade_.get();
    if (!fade_ || INT(fade_->GetWidth()) != w || INT(fade_->GetHeight()) != h) {
        fade_.reset();
        // In a section, so that drawing it pixel to pixel can be a GDI blend.
        fade_ = NewPremultiplied(UINT(w), UINT(h), true, fadeSection_);
        if (fade_->GetLastStatus() != Ok) {
            fade_.reset();
            fadeSection_.reset();
            return nullptr;
        }
    }
    fadeAlpha_ = -1.0f;  // invalid until the pixels are complete
    // A bitmap can be locked only once at a time: lock the span holding both areas.
    int left = x0 < x1 ? x0 : x1, right = (x0 < x1 ? x1 : x0) + w;
    Rect span(left, 0, right - left, h), out(0, 0, w, h);
    BitmapData src, dd;
    if (drawable_->LockBits(&span, ImageLockModeRead, PixelFormat32bppPARGB, &src) != Ok)
        return nullptr;
    bool ok = fade_->LockBits(&out, ImageLockModeWrite, PixelFormat32bppPARGB, &dd) == Ok;
    if (ok) {
        // 16.16 fixed point scales; premultiplied "over" with the scaled alphas.
        UINT k0 = UINT(alpha * 65536.0f + 0.5f), k1 = 65536 - k0;
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<const UINT*>(static_cast<BYTE*>(src.Scan0) + y * src.Stride);
            const UINT *a = row + (x0 - left), *b = row + (x1 - left);
            auto* o = reinterpret_cast<UINT*>(static_cast<BYTE*>(dd.Scan0) + y * dd.Stride);
            for (int x = 0; x < w; ++x) {
                UINT pa = a[x], pb = b[x], px = 0;
                // Alpha of the next frame as scaled, in 16.16, and what it lets through.
                UINT ba = (pb >> 24) * k1;
                UINT rest = 65536 - (ba + 127) / 255;
                for (int s = 0; s < 32; s += 8) {
                    UINT cb = ((pb >> s) & 0xFF) * k1;                       // 8.16
                    UINT ca = UINT((UINT64((pa >> s) & 0xFF) * k0 * rest) >> 16);  // 8.16
                    UINT v = (cb + ca + 32768) >> 16;
                    px |= (v > 255 ? 255 : v) << s;
                }
                o[x] = px;
            }
        }
        ok = fade_->UnlockBits(&dd) == Ok;
    }
    drawable_->UnlockBits(&src);
    if (!ok) return nullptr;
    fadeX0_ = x0;
    fadeX1_ = x1;
    fadeAlpha_ = alpha;
    return fade_.get();
}

ImageObject::ImageObject(const wchar_t* type, UINT resId) : ImageObject(GetModuleHandleW(nullptr), type, resId) {}

ImageObject::ImageObject(HMODULE module, const wchar_t* type, UINT resId)
    : ImageObject(OpenResourceStream(module, type, resId), StreamTag()) {
    module_ = module;
    type_ = type ? type : L"";
    resId_ = resId;
}

ImageObject* ImageObject::ForScale(float scale) {
    if (scale < 1.5f || factor_ != 1.0f || type_.empty()) return this;
    if (!largeTried_) {
        largeTried_ = true;
        auto large = std::make_unique<ImageObject>(module_, (type_ + L"2X").c_str(), resId_);
        // A larger version that does not decode, or is not larger, is not used.
        const UINT w = GetWidth(), lw = large->Found() ? large->GetWidth() : 0;
        if (w && large->IsDecoded() && lw > w && large->GetHeight() > GetHeight()) {
            large->factor_ = float(lw) / float(w);
            large->type_.clear();  // has no larger version itself
            large_ = std::move(large);
        }
    }
    return large_ ? large_.get() : this;
}

bool ImageObject::IsDecoded() {
    return GetType() != Gdiplus::ImageTypeUnknown;
}

UINT ImageObject::PixelWidth() {
    return GetWidth();
}

UINT ImageObject::PixelHeight() {
    return GetHeight();
}

HRESULT LoadImageObject(const wchar_t* type, UINT resId, std::unique_ptr<ImageObject>* out) {
    if (resId == 0) return E_FAIL;
    auto image = std::make_unique<ImageObject>(type, resId);
    if (!image->Found()) return E_FAIL;
    *out = std::move(image);
    return S_OK;
}

}  // namespace ORBUE
