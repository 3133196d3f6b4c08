// Library loading that never looks into the program's own folder: a downloaded setup
// sits in a folder anyone can write to and then runs elevated.
#pragma once

#include <windows.h>

#include <string>

// Limits the process's DLL search to the system folder (SetDefaultDllDirectories, or
// SetDllDirectoryW(L"") where that is missing: then only the current folder is
// dropped). Calls the system only, so it may run before the C runtime starts.
void ORBRestrictDllSearch();

// Loads a library by bare name from the system folder only; null (last error set)
// when it is not there.
HMODULE ORBLoadSystemLibrary(const wchar_t* name);

// Loads a library named by a script: a bare name from the system folder only, a full
// path ("C:\..." or "\\server\...") as that file with its own folder and the system
// folder for its dependencies. Any other form (relative folders, "C:name") is refused:
// null with ERROR_INVALID_PARAMETER.
HMODULE ORBLoadLibraryConfined(const std::wstring& name);

// Address of function proc of system library dll (loaded once, never freed), cast to
// Fn; null when either is missing.
FARPROC ORBSystemProc(const wchar_t* dll, const char* proc);
template <typename Fn>
Fn ORBSystemFunction(const wchar_t* dll, const char* proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(ORBSystemProc(dll, proc)));
}

// Where a program or file named by a script is taken from, never the current folder: a
// full path as it stands; a bare name (".exe" added when it has no extension) from the
// system folder, then, with searchPath, from the folders of PATH that are full paths
// and not the current folder. Empty for any other form ("sub\x.exe", "C:x") or when
// nothing of that name is found.
std::wstring ORBResolveProgram(const std::wstring& name, bool searchPath);
