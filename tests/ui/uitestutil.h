// Helpers of the UI tests: a recording owner window and an off-screen canvas.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

#include "orbmemorybitmap.h"
#include "orbuiframe.h"
#include "orbuiobject.h"

// A message-only window that records what UI objects send or post to it.
class Recorder {
public:
    struct Msg {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    Recorder();
    ~Recorder();
    HWND hwnd() const { return hwnd_; }
    // Moves posted messages of the window into the record.
    void Pump();
    const std::vector<Msg>& messages() { Pump(); return msgs_; }
    void Clear() { Pump(); msgs_.clear(); }
    size_t Count(UINT msg);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_;
    std::vector<Msg> msgs_;
};

// A width x height MemoryBitmap in a memory DC, drawn into through GDI+.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    // Draws the object on what is already there; returns the graphics' last status.
    Gdiplus::Status Draw(ORBUE::IORBBaseUIObject* object);
    // Fresh bitmap, root drawn (the dialogs' frame path) at a scale.
    bool Render(ORBUE::IORBBaseUIObject* root, float scale = 1.0f);
    DWORD Pixel(int x, int y) const { return bmp_.PixelAt(x, y); }
    HDC dc() const { return dc_; }
    ORBUE::MemoryBitmap& bitmap() { return bmp_; }

private:
    int w_, h_;
    HDC dc_;
    HGDIOBJ old_;
    ORBUE::MemoryBitmap bmp_;
};

// Writes the canvas as artefacts/<name> (PNG with alpha) beside the test program, for a
// person to look at; failures only print.
void SaveArtefact(Canvas& canvas, const std::wstring& name);

// A face the tests draw text with; Wine prefixes here carry no Windows fonts, so the
// system's DejaVu is used through fontconfig.
constexpr const wchar_t* kTestFace = L"DejaVu Sans";
bool FaceInstalled(const wchar_t* face);

// A test-made object handed to a container, which owns it from then on.
template <class T>
std::unique_ptr<T> Own(T* object) {
    return std::unique_ptr<T>(object);
}

// Opaque BGRA word of r, g, b.
constexpr DWORD Opaque(int r, int g, int b) {
    return 0xFF000000u | (DWORD(r) << 16) | (DWORD(g) << 8) | DWORD(b);
}

// lParam of a mouse message at (x, y).
inline LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

inline RECT Rc(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

// Pixel channel helpers.
inline int ChA(DWORD p) { return int(p >> 24); }
inline int ChR(DWORD p) { return int((p >> 16) & 0xFF); }
inline int ChG(DWORD p) { return int((p >> 8) & 0xFF); }
inline int ChB(DWORD p) { return int(p & 0xFF); }
