// Paths as the file APIs take them: absolute, at any length.
#pragma once

#include <windows.h>

#include <string>

// path made absolute against the current folder (GetFullPathNameW); path itself when the
// system cannot say.
std::wstring ORBFullPath(const std::wstring& path);

// path in a form the file APIs accept at any length: short paths unchanged, longer ones
// made absolute with the \\?\ prefix. Only for paths whose parts are already checked.
std::wstring ORBSystemPath(const std::wstring& path);

// Attributes of path, INVALID_FILE_ATTRIBUTES when it does not exist or is unreachable.
DWORD ORBPathAttributes(const std::wstring& path);
inline bool ORBPathExists(const std::wstring& path) { return ORBPathAttributes(path) != INVALID_FILE_ATTRIBUTES; }
