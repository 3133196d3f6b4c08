#include "orbarch.h"

#include "orbenvexpand.h"
#include "orbshell.h"

std::wstring ORBArchFromMachine(USHORT machine) {
    switch (machine) {
        case IMAGE_FILE_MACHINE_I386: return L"x86";
        case IMAGE_FILE_MACHINE_AMD64: return L"x64";
        case 0xAA64: return L"ARM64";  // IMAGE_FILE_MACHINE_ARM64
        default: return L"";
    }
}

std::wstring ORBArchFromProcessor(WORD architecture) {
    switch (architecture) {
        case PROCESSOR_ARCHITECTURE_INTEL: return L"x86";
        case PROCESSOR_ARCHITECTURE_AMD64: return L"x64";
        case 12: return L"ARM64";  // PROCESSOR_ARCHITECTURE_ARM64
        default: return L"";
    }
}

std::wstring ORBNativeArchitectureWith(ORBIsWow64Process2Fn isWow64Process2, ORBNativeSystemInfoFn nativeSystemInfo) {
    USHORT process = 0, native = 0;
    // Only it tells ARM64 apart: an emulated process is shown an x86 or x64 system by
    // the older calls.
    if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &process, &native)) return ORBArchFromMachine(native);
    SYSTEM_INFO info = {};
    if (nativeSystemInfo) nativeSystemInfo(&info);
    return ORBArchFromProcessor(info.wProcessorArchitecture);
}

std::wstring ORBNativeArchitecture() {
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    auto resolve = [&](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)); };
    return ORBNativeArchitectureWith(reinterpret_cast<ORBIsWow64Process2Fn>(resolve("IsWow64Process2")),
                                     reinterpret_cast<ORBNativeSystemInfoFn>(resolve("GetNativeSystemInfo")));
}

namespace {

// Value of an environment variable of the process; "" when unset.
std::wstring Env(const wchar_t* name) {
    std::wstring ref = std::wstring(L"%") + name + L"%";
    std::wstring v = ORBExpandEnvString(ref);
    return v == ref ? std::wstring() : v;
}

std::wstring NoTrailingSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

}  // namespace

std::wstring ORBNativeFolderFor(const std::wstring& name, bool wow64) {
    std::wstring folder;
    if (lstrcmpiW(name.c_str(), L"ProgramFiles") == 0) {
        // A WOW64 process is given the x86 folder as %ProgramFiles%.
        if (wow64) folder = Env(L"ProgramW6432");
        if (folder.empty()) folder = Env(L"ProgramFiles");
    } else if (lstrcmpiW(name.c_str(), L"CommonFiles") == 0) {
        if (wow64) folder = Env(L"CommonProgramW6432");
        if (folder.empty()) folder = Env(L"CommonProgramFiles");
    } else if (lstrcmpiW(name.c_str(), L"System") == 0) {
        std::wstring windows = Env(L"SystemRoot");
        if (wow64 && !windows.empty()) {
            folder = NoTrailingSlash(windows) + L"\\Sysnative";
        } else {
            UINT n = GetSystemDirectoryW(nullptr, 0);
            folder.assign(n, L'\0');
            n = n ? GetSystemDirectoryW(&folder[0], n) : 0;
            folder.resize(n < folder.size() ? n : 0);
        }
    }
    return NoTrailingSlash(folder);
}

std::wstring ORBNativeFolder(const std::wstring& name) { return ORBNativeFolderFor(name, ORBIsWow64()); }
