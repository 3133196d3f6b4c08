// High DPI: layout coordinates are pixels at 96 DPI everywhere in the tree; a window's
// scale (its DPI / 96) is applied once where the frame is drawn, where mouse points enter
// the tree and where the text box hands pixels to the text services.
#pragma once

#include <windows.h>

namespace ORBUE {

// The DPI layout coordinates are written for.
constexpr UINT kLayoutDpi = 96;

// The DPI of the window's monitor: GetDpiForWindow where user32 has it, else LOGPIXELSY of
// the window's device context; 96 when neither answers.
UINT WindowDpi(HWND window);
// DPI / 96; 1 for 0.
float ScaleForDpi(UINT dpi);

// The scale the window's tree is drawn at (kept with the window); 1 when none was set or
// the window is gone.
float WindowScale(HWND window);
// Records the scale for the window (values outside 0.5..8 are taken as 1); false when the
// window cannot keep it.
bool SetWindowScale(HWND window, float scale);

// A layout length, rectangle or point in window pixels at the scale (rounded outwards for
// rectangles, so a scaled control covers every pixel it touches).
int ScaleLength(int layout, float scale);
RECT ScaleRect(const RECT& layout, float scale);
POINT ScalePoint(POINT layout, float scale);
// A window pixel back in layout coordinates (rounded down: the layout pixel it lies in).
POINT UnscalePoint(POINT window, float scale);

class ContainerUIObjectImpl;
// After the window's scale changed: every control of the tree takes it up (ApplyScale:
// the text boxes; the other objects read it when they draw).
void ApplyWindowScale(ContainerUIObjectImpl* root);

// A layout rectangle of the window's tree in the window's client pixels, at the scale the
// window is drawn at (what assistive technology is told, after ClientToScreen).
RECT LayoutToWindow(HWND window, const RECT& layout);

}  // namespace ORBUE
