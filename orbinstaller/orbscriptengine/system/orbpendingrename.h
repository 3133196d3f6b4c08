// Replacing or deleting a file when Windows next starts: the Session Manager's list of
// pending renames (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager,
// PendingFileRenameOperations), written through MoveFileEx.
#pragma once

#include <windows.h>

#include <string>

// Schedules from to be moved onto to (replacing it) at the next start, or deleted when
// to is empty; true only when MoveFileEx succeeded and the entry is in the list. False
// (logged) when from is missing, a folder on the way of either is a link, the two lie on
// different volumes, or MoveFileEx is refused (no administrator rights: ERROR_ACCESS_DENIED).
bool ORBMoveFileAfterReboot(const std::wstring& from, const std::wstring& to);

// True when the pending-rename list holds from (and, when to is not empty, the move onto
// to; when to is empty, a deletion).
bool ORBPendingRenameScheduled(const std::wstring& from, const std::wstring& to);

// The MoveFileExW the scheduling calls; tests replace it to see the flags.
using ORBMoveFileExFn = BOOL(WINAPI*)(LPCWSTR from, LPCWSTR to, DWORD flags);
extern ORBMoveFileExFn g_orbMoveFileEx;
