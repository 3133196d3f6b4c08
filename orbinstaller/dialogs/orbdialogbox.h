// Message boxes the dialogs show, unless the run asked for none.
#pragma once

#include <windows.h>

#include <string>

// MessageBoxW owned by owner; with global_suppress_msgboxes set nothing is shown: the
// text is logged and the box's default button is the answer.
int ORBDialogMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);
