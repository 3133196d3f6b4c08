#include "orbimageobject.h"

#include <string.h>

namespace ORBUE {

void ThrowFail() {
    throw HRESULT(E_FAIL);
}

namespace {

// Copies the resource into a movable-free global block owned by a new stream.
IStream* OpenResourceStream(HMODULE module, const wchar_t* type, UINT resId) {
    if (!type || !*type) ThrowFail();
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(LOWORD(resId)), type);
    if (!res) ThrowFail();
    HGLOBAL loaded = LoadResource(module, res);
    if (!loaded) ThrowFail();
    const void* data = LockResource(loaded);
    DWORD size = SizeofResource(module, res);
    if (!data) ThrowFail();
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size ? size : 1);
    if (!block) ThrowFail();
    memcpy((void*)block, data, size);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
        GlobalFree(block);
        ThrowFail();
    }
    // The stream reports the block's allocated size; trim it to the resource's.
    ULARGE_INTEGER sz;
    sz.QuadPart = size;
    stream->SetSize(sz);
    return stream;
}

}  // namespace

ImageObject::ImageObject(IStream* stream, StreamTag) : Gdiplus::Image(stream) {
    // GDI+ keeps its own reference to the stream for as long as it needs the bytes.
    stream->Release();
    MakeDrawable();
}

ImageObject::~ImageObject() {
    delete drawable_;
}

void ImageObject::MakeDrawable() {
    if (GetLastStatus() != Gdiplus::Ok || GetType() != Gdiplus::ImageTypeBitmap) return;
    UINT w = GetWidth(), h = GetHeight();
    if (!w || !h) return;
    auto* copy = new Gdiplus::Bitmap(INT(w), INT(h), PixelFormat32bppPARGB);
    bool ok = copy->GetLastStatus() == Gdiplus::Ok;
    if (ok) {
        Gdiplus::Graphics g(copy);
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        ok = g.DrawImage(this, 0, 0, 0, 0, INT(w), INT(h), Gdiplus::UnitPixel) == Gdiplus::Ok;
    }
    if (ok)
        drawable_ = copy;
    else
        delete copy;
}

Gdiplus::Image* ImageObject::Drawable() {
    return drawable_ ? static_cast<Gdiplus::Image*>(drawable_) : this;
}

ImageObject::ImageObject(const wchar_t* type, UINT resId)
    : ImageObject(OpenResourceStream(GetModuleHandleW(nullptr), type, resId), StreamTag()) {}

ImageObject::ImageObject(HMODULE module, const wchar_t* type, UINT resId)
    : ImageObject(OpenResourceStream(module, type, resId), StreamTag()) {}

bool ImageObject::IsDecoded() {
    return GetType() != Gdiplus::ImageTypeUnknown;
}

UINT ImageObject::PixelWidth() {
    return GetWidth();
}

UINT ImageObject::PixelHeight() {
    return GetHeight();
}

ImageObject* LoadImageObject(const wchar_t* type, UINT resId) {
    if (resId == 0) ThrowFail();
    return new ImageObject(type, resId);
}

}  // namespace ORBUE
