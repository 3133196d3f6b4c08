// Registry work of the installer functions, free of the interpreter. Keys are opened
// in the view given (view: 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY; 0 is the process's
// own, so a 32-bit process sees the system's 32-bit view): for reading only
// by queries, so that machine-wide values are readable without elevation, with read
// and write access (KEY_READ | KEY_WRITE) by writes and deletions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr REGSAM kORBRegAccess = KEY_READ | KEY_WRITE;  // 0x2001F

// View flag of a script's view number: 64 KEY_WOW64_64KEY, 32 KEY_WOW64_32KEY, anything
// else 0 (the process's own view, as without the argument).
REGSAM ORBRegViewFlag(double view);

// The open and create calls of these functions; tests replace them to see the access.
using ORBRegOpenKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
using ORBRegCreateKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                                          PHKEY, LPDWORD);
extern ORBRegOpenKeyExFn g_orbRegOpenKeyEx;
extern ORBRegCreateKeyExFn g_orbRegCreateKeyEx;

// Root key of "HKCR", "HKCU", "HKLM", "HKU" or "HKCC" (case-sensitive); null otherwise.
HKEY ORBRegRootFromName(const std::wstring& name);

struct ORBRegValue {
    enum Kind { kNone, kString, kNumber } kind = kNone;
    std::wstring text;       // REG_SZ / REG_EXPAND_SZ as stored, up to the first NUL
    unsigned long number = 0;  // REG_DWORD
};

// Reads root\subkey\value. kNone for an unknown root, a key that does not open for
// reading, a missing value or a type other than REG_SZ,
// REG_EXPAND_SZ and REG_DWORD.
ORBRegValue ORBRegQuery(HKEY root, const std::wstring& subkey, const std::wstring& value, REGSAM view = 0);

// Bytes of a REG_BINARY text: each pair of hex digits ("%02X") gives one byte, an odd
// last digit a byte of its own; a pair that does not parse repeats the previous byte
// (0 for the first).
std::vector<BYTE> ORBRegParseBinary(const std::wstring& hex);

// Data for ORBRegAdd; which member is used depends on the type name.
struct ORBRegData {
    std::wstring text;         // REG_SZ (expanded on write), REG_EXPAND_SZ, REG_BINARY
    unsigned long number = 0;  // REG_DWORD
};

// Creates root\subkey and writes the value when overwrite is set or the value is
// missing. Type names "REG_SZ", "REG_EXPAND_SZ", "REG_DWORD", "REG_BINARY"
// (case-sensitive); any other writes nothing. True when the value was written or,
// without overwrite, already there; false when the key or value could not be written
// (unknown root or type, no access).
bool ORBRegAdd(HKEY root, const std::wstring& subkey, const std::wstring& value,
               const std::wstring& type, const ORBRegData& data, bool overwrite, REGSAM view = 0);

// Deletes one value. True when the value is gone, also when it or its key was already
// missing; false for an unknown root or a key or value that could not be deleted.
bool ORBRegDeleteValue(HKEY root, const std::wstring& rootName, const std::wstring& subkey,
                       const std::wstring& value, REGSAM view = 0);

// Deletes root\subkey with all its subkeys and values; the first failure's error code,
// ERROR_SUCCESS when the tree is gone.
LONG ORBRegDeleteTree(HKEY root, const std::wstring& rootName, const std::wstring& subkey, REGSAM view = 0);

// Path of special folder csidl (not created when missing), any length; false with a
// failure record when the shell has no file-system path for it.
bool ORBSpecialFolderPath(int csidl, std::wstring& path);

// Sets process environment variable name to the path of special folder csidl; false
// (logged) when the folder or the variable fails.
bool ORBSetVarFromCSIDL(const std::wstring& name, int csidl);

// Runs DllRegisterServer (reg) or DllUnregisterServer of the library at path
// (environment references expanded); true only when the entry point exists and
// returns a success code. A missing file or a failed load is logged.
bool ORBRegSvr32(const std::wstring& path, bool reg);
