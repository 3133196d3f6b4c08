// Action codes: a layout gives a clickable control `action="N"` and the dialog that owns
// it runs N on a click, as the window message WM_USER + N. Layouts are written against
// these numbers, so they are frozen. Codes above kORBActionMax are refused by the layout
// loader: WM_USER + 10001 on is where the UI objects' own messages start.
#pragma once

#include <windows.h>

enum ORBAction : UINT {
    // The init dialog.
    kORBActionExitConfirm = 100,    // close: asks before leaving
    kORBActionInstall = 101,
    kORBActionSettingsCheck = 102,  // shows or hides the settings page
    kORBActionLicenceCheck = 103,
    kORBActionLicenceLink = 104,
    kORBActionBrowseInstall = 105,
    kORBActionOptionCheck = 106,
    kORBActionBrowseBackup = 107,
    kORBActionPageToggle = 108,
    // The completion dialog.
    kORBActionFinish = 100,
    kORBActionStartProgram = 106,
    kORBActionDownload = 107,
};

// The highest code a layout may give; larger ones leave the control without an action.
constexpr UINT kORBActionMax = 10000;

// The window message of action code.
constexpr UINT ORBActionMessage(UINT code) { return WM_USER + code; }
