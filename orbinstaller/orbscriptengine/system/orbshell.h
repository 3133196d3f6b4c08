// Shell and system work of the installer functions, free of the interpreter.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// "Startpin", "Startunpin", "Taskbarpin" or "Taskbarunpin", any case.
bool ORBIsPinVerb(const std::wstring& verb);

// Starts file (a URL, or a path with environment references) with verb and
// parameters in the file's folder. A relative name is looked for in the system folder
// and the PATH, never in the current folder. wait: default action, hidden, returns when
// the started process has ended. unattended: the shell shows no error window. Result:
// the launch outcome; pin verbs always true; a missing file is true for the unpin
// verbs, else false with a "not exists" line. Verb "asuser" opens it for the signed-in
// user (ORBStartForUser); with wait it starts nothing (false, logged).
bool ORBExec(const std::wstring& file, const std::wstring& verb, const std::wstring& params, bool wait,
             bool unattended = false);

// The ShellExecuteExW the function calls; tests replace it to see the flags.
using ORBShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW* info);
extern ORBShellExecuteExFn g_orbShellExecuteEx;

// Writes a shell link (or an internet shortcut when target is a URL) at linkPath,
// creating its folder. args / description are set when not null. False (logged) at
// the first failing step.
bool ORBCreateShortcut(const std::wstring& target, const std::wstring& linkPath,
                       const std::wstring* args, const std::wstring* description);

// Major version as GetVersion reports it to this program.
int ORBOSMajorVersion();

// True when the process is 32-bit on 64-bit Windows.
bool ORBIsWow64();

// Full path of the loaded module named module, or of the program when it is null or
// not loaded; any length.
std::wstring ORBModulePath(const std::wstring* module);

// Words of the process command line; false when it cannot be split.
bool ORBCommandLineWords(std::vector<std::wstring>& words);
// The command line as the process received it (never fails; empty when it has none).
std::wstring ORBCommandLine();

// Fixed drives in letter order ("C:", "D:", ...).
std::vector<std::wstring> ORBFixedDrives();

// "%ProgramFiles%\" expanded; moved to the first fixed drive after the lowest one on
// which that folder exists and only administrators may change it.
std::wstring ORBDriverInstallPath();
// True when folder exists and ordinary users may not change it.
bool ORBAdminsOnlyFolder(const std::wstring& folder);
// The same choice for a given expansion and drive list (drives[0] is never tried);
// adminsOnly judges the candidates.
std::wstring ORBPickInstallPath(const std::wstring& programFiles, const std::vector<std::wstring>& drives,
                               bool (*adminsOnly)(const std::wstring& folder) = ORBAdminsOnlyFolder);

// Button a message box of type (MB_* flags) answers when nobody presses one: the
// default button (MB_DEFBUTTON1..4; the first when there are fewer buttons); 0 for a
// type the system does not know.
int ORBMessageBoxDefaultAnswer(UINT type);
