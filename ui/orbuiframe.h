// Frame composition: the whole tree drawn into a fresh 32-bit image and pushed to a
// layered window; and GDI output placed on the alpha surface (text box).
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <functional>

#include "orbmemorybitmap.h"
#include "orbuiobject.h"

namespace ORBUE {

// Draws root into bitmap (created here, width x height pixels, selected into memDC while
// drawing). A scale other than 1 draws the layout coordinates scaled by it, images
// resampled with high-quality interpolation. False when the bitmap or the graphics cannot
// be made; nothing is drawn then.
bool RenderTree(HDC memDC, MemoryBitmap& bitmap, IORBBaseUIObject* root, int width, int height,
                float scale = 1.0f);

// One frame for a layered window: window rect size, memory DC, new bitmap, root Draw at
// the window's scale (WindowScale), UpdateLayeredWindow with per-pixel alpha, everything
// freed. False when any step failed (the window keeps its previous content). Null root:
// nothing is done.
bool ComposeFrame(HWND window, IORBBaseUIObject* root);

// Lets GDI paint into `area` (device pixels: GDI knows nothing of the graphics' transform;
// see DeviceArea) of what the graphics already holds: the area is copied into
// a temporary 32-bit bitmap, paint(memDC, width, height) draws at the origin, alpha is fixed
// up and the result alpha-blended back. The graphics' clip bounds limit the output.
// False when a temporary could not be made (nothing drawn).
bool DrawGdiOnAlpha(Gdiplus::Graphics* graphics, const RECT& area,
                    const std::function<void(HDC memDC, int width, int height)>& paint);

// The device pixels a rectangle of the graphics' coordinates covers under its transform.
RECT DeviceArea(Gdiplus::Graphics* graphics, const RECT& area);

}  // namespace ORBUE
