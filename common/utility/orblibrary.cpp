#include "orblibrary.h"

#include <vector>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsFullPath(const std::wstring& p) {
    if (p.size() >= 3 && p[1] == L':' && IsSeparator(p[2]) &&
        ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')))
        return true;
    return p.size() >= 3 && IsSeparator(p[0]) && IsSeparator(p[1]);
}

bool IsBareName(const std::wstring& p) {
    return !p.empty() && p.find_first_of(L"\\/:") == std::wstring::npos && p != L"." && p != L"..";
}

// Windows 7 without its 2011 loader update refuses the LOAD_LIBRARY_SEARCH_* flags
// with ERROR_INVALID_PARAMETER; the callers then fall back to full paths.
bool FlagsUnsupported() { return GetLastError() == ERROR_INVALID_PARAMETER; }

std::wstring SystemFolderPath(const wchar_t* name) {
    std::vector<wchar_t> dir(MAX_PATH);
    UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    if (n >= dir.size()) {
        dir.resize(n + 1);
        n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    }
    if (n == 0 || n >= dir.size()) return std::wstring();
    return std::wstring(dir.data(), n) + L"\\" + name;
}

}  // namespace

void ORBRestrictDllSearch() {
    using SetDefaultDirsFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDirsFn>(reinterpret_cast<void (*)()>(
                                   GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

HMODULE ORBLoadSystemLibrary(const wchar_t* name) {
    HMODULE lib = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!lib && FlagsUnsupported()) {
        std::wstring path = SystemFolderPath(name);
        if (!path.empty()) lib = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return lib;
}

HMODULE ORBLoadLibraryConfined(const std::wstring& name) {
    if (IsBareName(name)) return ORBLoadSystemLibrary(name.c_str());
    if (!IsFullPath(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HMODULE lib = LoadLibraryExW(name.c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!lib && FlagsUnsupported()) lib = LoadLibraryExW(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return lib;
}

FARPROC ORBSystemProc(const wchar_t* dll, const char* proc) {
    // Libraries stay loaded for the process's life: their functions are kept by callers.
    HMODULE lib = GetModuleHandleW(dll);
    if (!lib) lib = ORBLoadSystemLibrary(dll);
    return lib ? GetProcAddress(lib, proc) : nullptr;
}
