// Finding and ending processes, and shutdown, for the installer functions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Process id from a script number: integral values from 0 to 2^32-1 give true; -1 (the
// "none" of the lookups), other negatives, fractions and NaN give false.
bool ORBPidFromNumber(double value, DWORD& pid);

// Ids of the running processes with this executable name (case-insensitive), in
// snapshot order; empty when none match or the snapshot fails.
std::vector<DWORD> ORBGetProcessIds(const std::wstring& exeName);

// Image path of a process with a drive letter (a device the drive table does not know
// stays in device form); false when the process cannot be opened or read.
bool ORBGetImagePathByPid(DWORD pid, std::wstring& path);

// Posts a message to the first top-level window of a class; nothing for an empty class
// name or when no such window exists. Does not wait.
void ORBPostToWindowClass(const std::wstring& className, UINT message, WPARAM wParam, LPARAM lParam);

// Ends a process (close, then terminate). True when it ended or there is nothing to end
// (no valid id); false when it cannot be opened or outlives both waits.
bool ORBKillTaskById(bool valid, DWORD pid);

// Ends the first process with this executable name; true when none runs.
bool ORBKillTaskByName(const std::wstring& exeName);

// Enables the shutdown privilege and calls ExitWindowsEx; false when that fails.
bool ORBExitWindows(UINT flags, DWORD reason);

// The ExitWindowsEx the function calls; tests replace it.
using ORBExitWindowsFn = BOOL(WINAPI*)(UINT flags, DWORD reason);
extern ORBExitWindowsFn g_orbExitWindowsEx;
