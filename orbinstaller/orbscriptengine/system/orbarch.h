// The machine Windows runs on natively, and its native folders, for a setup that may
// itself run emulated (a 32-bit setup on x64 or ARM64 Windows).
#pragma once

#include <windows.h>

#include <string>

// "x86", "x64", "ARM64"; "" for any other machine.
using ORBIsWow64Process2Fn = BOOL(WINAPI*)(HANDLE process, USHORT* processMachine, USHORT* nativeMachine);
using ORBNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO info);

// Name of an IMAGE_FILE_MACHINE_* value / a PROCESSOR_ARCHITECTURE_* value; "" when
// it is none of the three.
std::wstring ORBArchFromMachine(USHORT machine);
std::wstring ORBArchFromProcessor(WORD architecture);

// Native architecture as isWow64Process2 reports it; when that is null (before
// Windows 10 1511) or fails, as nativeSystemInfo reports it.
std::wstring ORBNativeArchitectureWith(ORBIsWow64Process2Fn isWow64Process2, ORBNativeSystemInfoFn nativeSystemInfo);

// The same with kernel32's functions, IsWow64Process2 resolved at run time.
std::wstring ORBNativeArchitecture();

// Native folder "ProgramFiles", "CommonFiles" or "System" (any case) for a process that
// does (wow64) or does not run under WOW64; "" for another name. A WOW64 process
// reaches the native system folder only as %SystemRoot%\Sysnative: System32 is
// redirected for it.
std::wstring ORBNativeFolderFor(const std::wstring& name, bool wow64);

// The same for this process.
std::wstring ORBNativeFolder(const std::wstring& name);
