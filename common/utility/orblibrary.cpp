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

namespace {

bool IsFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring EnvironmentValue(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (!n) return std::wstring();
    std::vector<wchar_t> value(n);
    n = GetEnvironmentVariableW(name, value.data(), n);
    return n < value.size() ? std::wstring(value.data(), n) : std::wstring();
}

std::wstring Trimmed(std::wstring folder) {
    while (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
    return folder;
}

std::wstring CurrentFolder() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> dir(n + 1);
    n = GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
    return n && n < dir.size() ? Trimmed(std::wstring(dir.data(), n)) : std::wstring();
}

}  // namespace

std::wstring ORBResolveProgram(const std::wstring& name, bool searchPath) {
    if (IsFullPath(name)) return name;
    if (!IsBareName(name)) return std::wstring();
    std::vector<std::wstring> names = {name};
    if (name.find(L'.') == std::wstring::npos) names.push_back(name + L".exe");
    std::vector<std::wstring> folders;
    std::wstring system = SystemFolderPath(L"");
    if (!system.empty()) folders.push_back(Trimmed(system));
    if (searchPath) {
        const std::wstring path = EnvironmentValue(L"PATH"), current = CurrentFolder();
        for (size_t start = 0; start <= path.size();) {
            size_t end = path.find(L';', start);
            if (end == std::wstring::npos) end = path.size();
            std::wstring folder = Trimmed(path.substr(start, end - start));
            if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
                folder = Trimmed(folder.substr(1, folder.size() - 2));
            // Relative entries ("." among them) would lead back to the current folder.
            if (IsFullPath(folder) || (folder.size() == 3 && folder[1] == L':'))
                if (lstrcmpiW(folder.c_str(), current.c_str()) != 0) folders.push_back(folder);
            start = end + 1;
        }
    }
    for (const std::wstring& folder : folders) {
        const std::wstring prefix = IsSeparator(folder.back()) ? folder : folder + L"\\";
        for (const std::wstring& n : names)
            if (IsFile(prefix + n)) return prefix + n;
    }
    return std::wstring();
}
