// A PNG (or any GDI+ decodable) image decoded from a resource of the program.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "orbhandle.h"

namespace ORBUE {

// Throws the HRESULT E_FAIL: the way the UI engine reports an object that cannot be
// constructed (missing image, wrong resId). Callers of Create/CreateFromXml catch HRESULT.
[[noreturn]] void ThrowFail();

class ImageObject : public Gdiplus::Image {
public:
    // Loads resource (type, LOWORD(resId)) of the program's module and decodes it.
    // Throws HRESULT E_FAIL when the resource cannot be found, loaded or locked; a
    // decoding failure is kept in the status (GetLastStatus) and later draws do nothing.
    ImageObject(const wchar_t* type, UINT resId);
    // Same from the given module (tests, resource-only DLLs).
    ImageObject(HMODULE module, const wchar_t* type, UINT resId);
    ~ImageObject() override;

    // Decoded size in pixels; 0 when the image did not decode.
    UINT PixelWidth();
    UINT PixelHeight();
    bool IsDecoded();
    // What the drawing helpers draw: a premultiplied 32-bit copy made once at load (the
    // format GDI+ draws fastest), or the decoded image itself when no copy could be made.
    Gdiplus::Image* Drawable();
    // The premultiplied w x h area at (x1, 0) drawn at opacity 1 - alpha over the area at
    // (x0, 0) drawn at opacity alpha: what two colour-matrix draws of the areas produce on
    // any background, as one image to draw plainly. Kept until the arguments change. Null
    // when there is no premultiplied copy, an area is not inside the image, alpha is not
    // in [0, 1] or the result cannot be made (draw through the colour matrix then).
    Gdiplus::Bitmap* CrossFade(int x0, int x1, int w, int h, float alpha);
    // For an image without alpha: a top-down 32-bit section holding the pixels of the
    // premultiplied copy (alpha 255), for plain GDI copies. Null otherwise.
    HBITMAP OpaqueSection() const { return opaque_.get(); }

private:
    struct StreamTag {};
    ImageObject(IStream* stream, StreamTag);
    void MakeDrawable();

    Gdiplus::Bitmap* drawable_ = nullptr;
    ORBGdiObject<HBITMAP> opaque_;
    Gdiplus::Bitmap* fade_ = nullptr;
    int fadeX0_ = 0, fadeX1_ = 0;
    float fadeAlpha_ = -1.0f;
};

// Convenience for the controls: a new image, or E_FAIL thrown when resId is 0.
ImageObject* LoadImageObject(const wchar_t* type, UINT resId);

}  // namespace ORBUE
