// Window messages and timer identifiers shared by the UI objects and their dialogs.
#pragma once

#include <windows.h>

// Objects send these to their owner window with themselves in lParam. The action
// notification of a clickable control is WM_USER + its action code.
constexpr UINT ORBUM_SETCAPTURE = 11025;          // 0x2B11, wParam 0
constexpr UINT ORBUM_RELEASECAPTURE = 11026;      // 0x2B12, wParam 0
constexpr UINT ORBUM_SETFOCUS = 11027;            // 0x2B13, wParam 0
constexpr UINT ORBUM_KILLFOCUS = 11028;           // 0x2B14, wParam 0
constexpr UINT ORBUM_CARETTICK = 11029;           // 0x2B15, posted by the dialog's filter
constexpr UINT ORBUM_SETANIMATIONTIMER = 11030;   // 0x2B16, wParam (period ms << 16) | number
constexpr UINT ORBUM_KILLANIMATIONTIMER = 11031;  // 0x2B17, wParam timer number
constexpr UINT ORBUM_INSTALLDONE = 11032;         // 0x2B18, posted by the install worker
// Answered by a dialog with the number of frames it has drawn (tests, benchmarks).
constexpr UINT ORBUM_FRAMECOUNT = 11033;          // 0x2B19

// Window timer identifiers of the dialogs.
constexpr UINT_PTR REPAINT_TIMER = 11023;          // 66 ms redraw
constexpr UINT_PTR ANIMATION_TIMER_BASE = 11024;   // + animation timer number
constexpr UINT_PTR PROGRESS_TIMER = 12024;         // install progress step
constexpr UINT REPAINT_PERIOD_MS = 66;

// Point of a mouse message: signed 16-bit halves of lParam.
inline POINT ORBPointFromLParam(LPARAM lParam) {
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    return pt;
}
