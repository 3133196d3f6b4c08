#include "orbmemorybitmap.h"

#include <string.h>

namespace ORBUE {

void FixAlphaPixels(DWORD* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        // GDI clears the alpha byte of what it writes; everything else is dropped.
        if (pixels[i] >> 24)
            pixels[i] = 0;
        else
            pixels[i] |= 0xFF000000u;
    }
}

void MemoryBitmap::Reset() {
    bitmap_.release();
    memset(&info_, 0, sizeof info_);
    bits_ = nullptr;
}

bool MemoryBitmap::Create(HDC dc, int width, int height) {
    Destroy();
    if (width <= 0 || height <= 0) return false;
    info_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info_.bmiHeader.biWidth = width;
    info_.bmiHeader.biHeight = height;  // bottom-up
    info_.bmiHeader.biPlanes = 1;
    info_.bmiHeader.biBitCount = 32;
    info_.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ORBGdiObject<HBITMAP> bmp(CreateDIBSection(dc, &info_, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp || !bits) {
        memset(&info_, 0, sizeof info_);
        return false;
    }
    bitmap_ = std::move(bmp);
    bits_ = static_cast<DWORD*>(bits);
    return true;
}

void MemoryBitmap::FixAlpha() {
    if (!bits_) return;
    GdiFlush();
    FixAlphaPixels(bits_, size_t(width()) * size_t(height()));
}

void MemoryBitmap::Destroy() {
    bitmap_.reset();
    Reset();
}

DWORD MemoryBitmap::PixelAt(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    return bits_[size_t(height() - 1 - y) * size_t(width()) + size_t(x)];
}

}  // namespace ORBUE
