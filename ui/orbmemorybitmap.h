// Off-screen 32-bit bottom-up DIB section (BGRA, premultiplied as GDI+ writes it).
#pragma once

#include <windows.h>

#include "orbhandle.h"

namespace ORBUE {

class MemoryBitmap {
public:
    MemoryBitmap() { Reset(); }
    ~MemoryBitmap() { Destroy(); }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    // Forgets the bitmap without deleting it; header zeroed.
    void Reset();
    // New width x height section (all zero: transparent). False when width or height
    // is not positive or CreateDIBSection fails (nothing is kept then).
    bool Create(HDC dc, int width, int height);
    // After GDI drew into it: pixels with alpha != 0 become 0 (untouched by GDI), pixels
    // with alpha 0 become opaque (written by GDI).
    void FixAlpha();
    // Deletes the bitmap if any, then resets.
    void Destroy();

    HBITMAP handle() const { return bitmap_.get(); }
    DWORD* bits() const { return bits_; }  // bottom-up rows; row 0 is the bottom line
    int width() const { return info_.bmiHeader.biWidth; }
    int height() const { return info_.bmiHeader.biHeight; }
    // Pixel at client coordinates (x, y) counted from the top; 0 when outside.
    DWORD PixelAt(int x, int y) const;

private:
    ORBGdiObject<HBITMAP> bitmap_;
    BITMAPINFO info_;
    DWORD* bits_;
};

// The fix-up rule on a run of pixels (exposed for the text box and for tests).
void FixAlphaPixels(DWORD* pixels, size_t count);

}  // namespace ORBUE
