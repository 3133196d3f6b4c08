// A PNG (or any GDI+ decodable) image decoded from a resource of the program.
#pragma once

#include <windows.h>
#include <gdiplus.h>

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
    ~ImageObject() override = default;

    // Decoded size in pixels; 0 when the image did not decode.
    UINT PixelWidth();
    UINT PixelHeight();
    bool IsDecoded();

private:
    struct StreamTag {};
    ImageObject(IStream* stream, StreamTag);
};

// Convenience for the controls: a new image, or E_FAIL thrown when resId is 0.
ImageObject* LoadImageObject(const wchar_t* type, UINT resId);

}  // namespace ORBUE
