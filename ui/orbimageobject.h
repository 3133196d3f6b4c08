// A PNG (or any GDI+ decodable) image decoded from a resource of the program.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "orbhandle.h"

namespace ORBUE {

class ImageObject : public Gdiplus::Image {
public:
    // Loads resource (type, LOWORD(resId)) of the program's module and decodes it.
    // A resource that cannot be found, loaded or locked leaves Found() false; a decoding
    // failure is kept in the status (GetLastStatus). Either way later draws do nothing.
    ImageObject(const wchar_t* type, UINT resId);
    // Same from the given module (tests, resource-only DLLs).
    ImageObject(HMODULE module, const wchar_t* type, UINT resId);
    ~ImageObject() override;

    // False when the resource itself was missing (the object holds no image).
    bool Found() const { return found_; }

    // The image to draw at a scale: from 1.5 on, the larger version a skin may provide
    // (resource type + "2X", same id, e.g. PNG2X/<id>, loaded on first use), else this one.
    ImageObject* ForScale(float scale);
    // Pixels of this image per layout unit: 1, or for a larger version its width over the
    // width of the image it stands in for.
    float Factor() const { return factor_; }
    // The size in layout units (pixels / Factor); 0 when the image did not decode.
    float LayoutWidth() { return float(GetWidth()) / factor_; }
    float LayoutHeight() { return float(GetHeight()) / factor_; }

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
    // The DIB section holding the last CrossFade's pixels (top-down, premultiplied), for
    // GDI blends; null when the blend lives in GDI+ memory only.
    HBITMAP CrossFadeSection() const { return fade_ ? fadeSection_.get() : nullptr; }
    // For an image without alpha: a top-down 32-bit section holding the pixels of the
    // premultiplied copy (alpha 255), for plain GDI copies. Null otherwise.
    HBITMAP OpaqueSection() const { return opaque_.get(); }

private:
    struct StreamTag {};
    ImageObject(ORBComPtr<IStream> stream, StreamTag);
    void MakeDrawable();

    bool found_ = false;
    float factor_ = 1.0f;
    // Where the image came from, to find its larger version.
    HMODULE module_ = nullptr;
    std::wstring type_;
    UINT resId_ = 0;
    bool largeTried_ = false;
    std::unique_ptr<ImageObject> large_;
    ORBGdiObject<HBITMAP> opaque_;  // declared first: drawable_ may use its pixels
    std::unique_ptr<Gdiplus::Bitmap> drawable_;
    ORBGdiObject<HBITMAP> fadeSection_;  // declared first: fade_ may use its pixels
    std::unique_ptr<Gdiplus::Bitmap> fade_;
    int fadeX0_ = 0, fadeX1_ = 0;
    float fadeAlpha_ = -1.0f;
};

// The image of a control: S_OK with *out set, or E_FAIL (*out untouched) when resId is 0
// or the resource is missing.
HRESULT LoadImageObject(const wchar_t* type, UINT resId, std::unique_ptr<ImageObject>* out);

}  // namespace ORBUE
