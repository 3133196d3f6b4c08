// Driving the windows of a program started with ORBRunSetup: finding them, clicking and
// typing at client coordinates (posted input, independent of screen position and
// z-order) and capturing what they show.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A visible top-level window of process `pid` with class `cls` other than `notThis`,
// waited for up to timeoutMs; null when none appeared.
HWND ORBWaitForWindow(DWORD pid, const wchar_t* cls, HWND notThis = nullptr, DWORD timeoutMs = 20000);

// Waits until hwnd is gone (or timeoutMs); false when it is still there.
bool ORBWaitForWindowGone(HWND hwnd, DWORD timeoutMs = 20000);

// Posts a pointer move, a left press and a release at client point (x, y).
void ORBClickClient(HWND hwnd, int x, int y);
// Posts a pointer move to client point (x, y).
void ORBMoveClient(HWND hwnd, int x, int y);
// Posts key down and key up of virtual key vk (WM_KEYDOWN/WM_KEYUP, or WM_SYS* with alt).
void ORBPressKey(HWND hwnd, UINT vk, bool alt = false);
// Posts one WM_CHAR per UTF-16 unit of text.
void ORBTypeText(HWND hwnd, const std::wstring& text);

// A frame: 32-bit BGRA pixels, top row first.
struct ORBFrame {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// What the window shows on the screen now (its screen rectangle copied from the desktop).
// False when the window is not visible or the copy fails.
bool ORBCaptureWindow(HWND hwnd, ORBFrame& frame);
// Writes a frame as a PNG file (alpha made opaque); false on failure.
bool ORBSaveFramePng(const ORBFrame& frame, const std::wstring& path);
