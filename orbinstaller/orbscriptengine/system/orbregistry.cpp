#include "orbregistry.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "orbenvexpand.h"
#include "orbhandle.h"
#include "orblibrary.h"
#include "orblog.h"

ORBRegOpenKeyExFn g_orbRegOpenKeyEx = RegOpenKeyExW;
ORBRegCreateKeyExFn g_orbRegCreateKeyEx = RegCreateKeyExW;

REGSAM ORBRegViewFlag(double view) {
    if (view == 64) return KEY_WOW64_64KEY;
    if (view == 32) return KEY_WOW64_32KEY;
    return 0;
}

HKEY ORBRegRootFromName(const std::wstring& name) {
    static const struct {
        const wchar_t* name;
        HKEY key;
    } kRoots[] = {{L"HKCR", HKEY_CLASSES_ROOT}, {L"HKCU", HKEY_CURRENT_USER},
                  {L"HKLM", HKEY_LOCAL_MACHINE}, {L"HKU", HKEY_USERS},
                  {L"HKCC", HKEY_CURRENT_CONFIG}};
    for (const auto& r : kRoots)
        if (name == r.name) return r.key;
    return nullptr;
}

ORBRegValue ORBRegQuery(HKEY root, const std::wstring& subkey, const std::wstring& value, REGSAM view) {
    ORBRegValue out;
    ORBRegKey key;
    if (!root || g_orbRegOpenKeyEx(root, subkey.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return out;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // The value may change between the calls: follow its size until it fits.
        std::wstring buf;
        LONG rc = ERROR_MORE_DATA;
        for (int tries = 0; tries < 4 && rc == ERROR_MORE_DATA; ++tries) {
            buf.assign(size / sizeof(wchar_t) + 1, L'\0');
            DWORD bytes = static_cast<DWORD>((buf.size() - 1) * sizeof(wchar_t));
            rc = RegQueryValueExW(key.get(), value.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(&buf[0]), &bytes);
            size = bytes;
        }
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return out;
        out.kind = ORBRegValue::kString;
        out.text.assign(buf.c_str());  // up to the first NUL
    } else if (type == REG_DWORD) {
        DWORD d = 0, bytes = sizeof d;
        if (RegQueryValueExW(key.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&d),
                             &bytes) != ERROR_SUCCESS || type != REG_DWORD)
            return out;
        out.kind = ORBRegValue::kNumber;
        out.number = d;
    }
    return out;
}

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// One pair read as a "%02X" scan reads it (leading white space skipped, then a sign and at
// most two characters in all); false when no digit comes. Written out because the wide
// scanf family alone is 16 KB of every setup.
bool ScanHexPair(const wchar_t* pair, unsigned int& v) {
    while (*pair && iswspace(*pair)) ++pair;
    int width = 2;
    bool negative = false;
    if (*pair == L'+' || *pair == L'-') {
        negative = *pair == L'-';
        ++pair;
        --width;
    }
    unsigned int value = 0;
    int digits = 0;
    for (; width > 0 && HexDigit(*pair) >= 0; --width, ++pair, ++digits) value = value * 16 + HexDigit(*pair);
    if (!digits) return false;
    v = negative ? 0u - value : value;
    return true;
}

}  // namespace

std::vector<BYTE> ORBRegParseBinary(const std::wstring& hex) {
    const size_t n = hex.size();
    std::vector<BYTE> bytes((n + 1) / 2, 0);
    // Zeroed once: a pair that does not parse keeps the previous pair's value.
    unsigned int v = 0;
    for (size_t i = 0; i < n; i += 2) {
        // Only this pair is offered to the parser, never the text after it.
        wchar_t pair[3] = {hex[i], i + 1 < n ? hex[i + 1] : L'\0', L'\0'};
        ScanHexPair(pair, v);
        bytes[i / 2] = static_cast<BYTE>(v & 0xFF);
    }
    return bytes;
}

bool ORBRegAdd(HKEY root, const std::wstring& subkey, const std::wstring& value,
               const std::wstring& type, const ORBRegData& data, bool overwrite, REGSAM view) {
    ORBRegKey key;
    if (!root || g_orbRegCreateKeyEx(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     kORBRegAccess | view, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    if (!overwrite) {
        LONG present = RegQueryValueExW(key.get(), value.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (present != ERROR_FILE_NOT_FOUND) return present == ERROR_SUCCESS || present == ERROR_MORE_DATA;
    }
    LONG rc = ERROR_INVALID_PARAMETER;
    if (type == L"REG_SZ" || type == L"REG_EXPAND_SZ") {
        std::wstring text = type == L"REG_SZ" ? ORBExpandEnvString(data.text) : data.text;
        DWORD bytes = static_cast<DWORD>((wcslen(text.c_str()) + 1) * sizeof(wchar_t));
        rc = RegSetValueExW(key.get(), value.c_str(), 0, type == L"REG_SZ" ? REG_SZ : REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    } else if (type == L"REG_DWORD") {
        DWORD d = data.number;
        rc = RegSetValueExW(key.get(), value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), sizeof d);
    } else if (type == L"REG_BINARY") {
        std::vector<BYTE> bytes = ORBRegParseBinary(data.text);
        rc = RegSetValueExW(key.get(), value.c_str(), 0, REG_BINARY, bytes.data(),
                            static_cast<DWORD>(bytes.size()));
    }
    return rc == ERROR_SUCCESS;
}

bool ORBRegDeleteValue(HKEY root, const std::wstring& rootName, const std::wstring& subkey,
                       const std::wstring& value, REGSAM view) {
    ORBRegKey key;
    if (!root) return false;
    LONG rc = g_orbRegOpenKeyEx(root, subkey.c_str(), 0, kORBRegAccess | view, key.put());
    if (rc != ERROR_SUCCESS) return rc == ERROR_FILE_NOT_FOUND;
    rc = RegDeleteValueW(key.get(), value.c_str());
    ORBLog(L"Delete Value %s, %s, %s", rootName.c_str(), subkey.c_str(), value.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

namespace {

// Depth first: the first child again and again until none is left, then the key. The
// view flag goes with every open and with the deletion itself.
LONG DeleteSubKey(HKEY parent, const wchar_t* subkey, REGSAM view) {
    LONG rc;
    {
        ORBRegKey key;
        rc = g_orbRegOpenKeyEx(parent, subkey, 0, kORBRegAccess | view, key.put());
        if (rc != ERROR_SUCCESS) return rc;
        wchar_t name[256];  // key names are at most 255 units
        for (;;) {
            rc = RegEnumKeyW(key.get(), 0, name, 256);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) return rc;
            rc = DeleteSubKey(key.get(), name, view);
            if (rc != ERROR_SUCCESS) return rc;
        }
    }
    return view ? RegDeleteKeyExW(parent, subkey, view, 0) : RegDeleteKeyW(parent, subkey);
}

}  // namespace

LONG ORBRegDeleteTree(HKEY root, const std::wstring& rootName, const std::wstring& subkey, REGSAM view) {
    ORBRegKey rootKey;
    LONG rc = root ? g_orbRegOpenKeyEx(root, nullptr, 0, kORBRegAccess | view, rootKey.put()) : ERROR_INVALID_HANDLE;
    if (rc != ERROR_SUCCESS) {
        ORBLog(L"OpenKey %s failed, errcode: %ld\r\n", rootName.c_str(), rc);
        return rc;
    }
    // An empty path names the root itself: deleting its whole content is never meant.
    if (subkey.find_first_not_of(L'\\') == std::wstring::npos)
        rc = ERROR_INVALID_PARAMETER;
    else
        rc = DeleteSubKey(rootKey.get(), subkey.c_str(), view);
    if (rc != ERROR_SUCCESS) ORBLog(L"DeleteSubKey %s failed, errcode: %ld", subkey.c_str(), rc);
    return rc;
}

bool ORBSpecialFolderPath(int csidl, std::wstring& path) {
    // Through the item list, so the path is not bound to a fixed buffer.
    ORBCoTaskMem<PIDLIST_ABSOLUTE> pidl;
    HRESULT hr = SHGetFolderLocation(nullptr, csidl, nullptr, 0, pidl.put());
    bool ok = false;
    if (SUCCEEDED(hr) && pidl) {
        // A second, long buffer only when the first did not do.
        for (DWORD cap : {DWORD(MAX_PATH), DWORD(32768)}) {
            path.assign(cap, L'\0');
            if (SHGetPathFromIDListEx(pidl.get(), &path[0], cap, GPFIDL_DEFAULT)) {
                path.resize(wcslen(path.c_str()));
                ok = !path.empty();
                break;
            }
        }
    } else if (FAILED(hr)) {
        SetLastError(HRESULT_CODE(hr));
    }
    if (!ok) {
        path.clear();
        ORBLog(L"SHGetSpecialFolderPathW csidl=%d failed!\r\n", csidl);
        ORBLogFailure(L"", ORB_WFILE, __LINE__, GetLastError());
    }
    return ok;
}

bool ORBSetVarFromCSIDL(const std::wstring& name, int csidl) {
    std::wstring path;
    if (!ORBSpecialFolderPath(csidl, path)) return false;
    if (!SetEnvironmentVariableW(name.c_str(), path.c_str())) {
        ORB_LOG_FAILURE(L"SetEnvironmentVariableW failed!");
        return false;
    }
    return true;
}

bool ORBRegSvr32(const std::wstring& pathArg, bool reg) {
    ORBComScope ole{ORBComScope::Ole{}};
    std::wstring path = ORBExpandEnvString(pathArg);
    // Where the loader takes it from: a bare name from the system folder, never the
    // current folder. Not PathFileExistsW: it refuses paths beyond MAX_PATH.
    std::wstring found = ORBResolveProgram(path, false);
    if (found.empty() || GetFileAttributesW(found.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ORBLog(L"Fun:%s, Description:%s it's not exists!\r\n", L"Lua_RegSvr32", path.c_str());
        return false;
    }
    ORBModule lib(ORBLoadLibraryConfined(found));
    if (!lib) {
        DWORD err = GetLastError();
        ORBLog(L"Fun:%s, Description: LoadLibrary %s Failed!\r\n", L"Lua_RegSvr32", path.c_str());
        ORBLogFailure(L"", ORB_WFILE, __LINE__, err);
        return false;
    }
    using EntryPoint = HRESULT(STDAPICALLTYPE*)();
    FARPROC proc = GetProcAddress(lib.get(), reg ? "DllRegisterServer" : "DllUnregisterServer");
    bool ok = proc && reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(proc))() >= 0;
    ole.End();  // before the library goes
    return ok;
}
