#include "orbshell.h"

#include <intshcut.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

#include "orbenvexpand.h"
#include "orbfoldersecurity.h"
#include "orbhandle.h"
#include "orblibrary.h"
#include "orblog.h"
#include "orbuserlaunch.h"

namespace {

// The classes and interfaces by value, so no GUID library is needed.
const CLSID kShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const CLSID kInternetShortcut = {0xFBF23B40, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
const IID kIUniformResourceLocatorW = {0xCABB0DA0, 0xDA57, 0x11CF, {0x99, 0x74, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x62}};
const IID kIPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool Exists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The path without its last component, as PathRemoveFileSpecW cuts it ("C:\a\b" ->
// "C:\a", "C:\b" -> "C:\", "b" -> ""), without its MAX_PATH limit.
std::wstring FolderOf(const std::wstring& path) {
    size_t pos = path.find_last_of(L"\\/");
    if (pos == std::wstring::npos) return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
    if (pos == 0 || (pos == 2 && path[1] == L':')) return path.substr(0, pos + 1);
    return path.substr(0, pos);
}

// Creates folder with all its parents; SHCreateDirectory stops at MAX_PATH.
void CreateFolderTree(const std::wstring& folder) {
    if (folder.empty() || IsFolder(folder)) return;
    std::wstring parent = FolderOf(folder);
    if (parent != folder) CreateFolderTree(parent);
    CreateDirectoryW(folder.c_str(), nullptr);
}

}  // namespace

bool ORBIsPinVerb(const std::wstring& verb) {
    for (const wchar_t* v : {L"Startpin", L"Startunpin", L"Taskbarpin", L"Taskbarunpin"})
        if (lstrcmpiW(verb.c_str(), v) == 0) return true;
    return false;
}

ORBShellExecuteExFn g_orbShellExecuteEx = ShellExecuteExW;

bool ORBExec(const std::wstring& fileArg, const std::wstring& verb, const std::wstring& paramsArg, bool wait,
             bool unattended) {
    std::wstring file = fileArg, params, dir;
    if (!PathIsURLW(file.c_str())) {
        file = ORBExpandEnvString(fileArg);
        // A relative name never means the current folder: that may be a temp folder
        // anyone can put a program of that name into.
        std::wstring found = ORBResolveProgram(file, true);
        if (found.empty() || !Exists(found)) {
            if (lstrcmpiW(verb.c_str(), L"Startunpin") == 0 || lstrcmpiW(verb.c_str(), L"Taskbarunpin") == 0)
                return true;
            ORBLog(L"Fun:%s, Description:%s it's not exists!\r\n", L"Lua_Exec", file.c_str());
            return false;
        }
        file = found;
        params = paramsArg;
        dir = FolderOf(file);
    }
    // "asuser": opened for the signed-in user through the desktop shell, never with the
    // setup's elevated token (how a setup starts its product after installing it). The
    // shell gives no process to wait for.
    if (lstrcmpiW(verb.c_str(), L"asuser") == 0) {
        if (!wait) return ORBStartForUser(file, params, dir);
        ORBLog(L"Fun:%s, Description:%s not started: \"asuser\" cannot wait for the program\r\n", L"Lua_Exec",
               file.c_str());
        return false;
    }
    SHELLEXECUTEINFOW sei = {};
    sei.cbSize = sizeof sei;
    sei.lpParameters = params.empty() ? nullptr : params.c_str();
    sei.lpDirectory = dir.empty() ? nullptr : dir.c_str();
    sei.lpFile = file.c_str();
    // Nobody is there to close the shell's own error windows in an unattended run.
    if (unattended) sei.fMask |= SEE_MASK_FLAG_NO_UI;
    if (wait) {
        sei.fMask |= SEE_MASK_NOCLOSEPROCESS;
        sei.nShow = SW_HIDE;
        BOOL ok = g_orbShellExecuteEx(&sei);
        // No process handle when the action was handed to a running program.
        ORBHandle process(ok ? sei.hProcess : nullptr);
        if (process) WaitForSingleObject(process.get(), INFINITE);
        return ok != FALSE;
    }
    const wchar_t* action = verb.empty() ? nullptr : verb.c_str();
    if (!unattended) {
        HINSTANCE r = ShellExecuteW(nullptr, action, file.c_str(), sei.lpParameters, sei.lpDirectory, SW_SHOWNORMAL);
        return ORBIsPinVerb(verb) || reinterpret_cast<INT_PTR>(r) > 32;
    }
    sei.lpVerb = action;
    sei.nShow = SW_SHOWNORMAL;
    BOOL ok = g_orbShellExecuteEx(&sei);
    return ORBIsPinVerb(verb) || ok;
}

namespace {

// An internet shortcut to url, ready to be saved; false (logged) when COM refuses.
bool UrlShortcut(const std::wstring& url, ORBComPtr<IPersistFile>& file) {
    ORBComPtr<IUniformResourceLocatorW> shortcut;
    if (FAILED(CoCreateInstance(kInternetShortcut, nullptr, CLSCTX_ALL, kIUniformResourceLocatorW,
                                shortcut.put_void()))) {
        ORB_LOG_FAILURE(L"CoCreateInstance(CLSID_InternetShortcut) failed!");
        return false;
    }
    if (FAILED(shortcut->SetURL(url.c_str(), 0))) {
        ORBLog(L"SetURL %s failed!\r\n", url.c_str());
        ORB_LOG_FAILURE(L"");
        return false;
    }
    if (FAILED(shortcut->QueryInterface(kIPersistFile, file.put_void()))) {
        ORB_LOG_FAILURE(L"QueryInterface IID_IPersistFile failed!");
        return false;
    }
    return true;
}

// A shell link to target (expanded), started in target's folder, ready to be saved;
// false (logged) when COM refuses one of the settings.
bool FileShortcut(const std::wstring& targetArg, const std::wstring* args, const std::wstring* description,
                  ORBComPtr<IPersistFile>& file) {
    std::wstring target = ORBExpandEnvString(targetArg);
    ORBComPtr<IShellLinkW> sl;
    if (FAILED(CoCreateInstance(kShellLink, nullptr, CLSCTX_ALL, kIShellLinkW, sl.put_void()))) {
        ORB_LOG_FAILURE(L"CoCreateInstance(CLSID_ShellLink) failed!");
        return false;
    }
    if (args && FAILED(sl->SetArguments(args->c_str()))) {
        ORBLog(L"SetArguments %s failed!\r\n", args->c_str());
        ORB_LOG_FAILURE(L"");
        return false;
    }
    if (description && FAILED(sl->SetDescription(description->c_str()))) {
        ORBLog(L"SetDescription %s failed!\r\n", description->c_str());
        ORB_LOG_FAILURE(L"");
        return false;
    }
    if (FAILED(sl->SetPath(target.c_str()))) {
        ORBLog(L"SetPath %s failed!\r\n", target.c_str());
        ORB_LOG_FAILURE(L"");
        return false;
    }
    std::wstring dir = FolderOf(target);
    if (FAILED(sl->SetWorkingDirectory(dir.c_str()))) {
        ORBLog(L"SetWorkingDirectory %s failed!\r\n", dir.c_str());
        ORB_LOG_FAILURE(L"");
        return false;
    }
    if (FAILED(sl->QueryInterface(kIPersistFile, file.put_void()))) {
        ORB_LOG_FAILURE(L"QueryInterface IID_IPersistFile failed!");
        return false;
    }
    return true;
}

}  // namespace

bool ORBCreateShortcut(const std::wstring& targetArg, const std::wstring& linkArg,
                       const std::wstring* args, const std::wstring* description) {
    ORBComScope com;
    std::wstring link = ORBExpandEnvString(linkArg);
    CreateFolderTree(FolderOf(link));

    ORBComPtr<IPersistFile> file;
    const bool made = PathIsURLW(targetArg.c_str()) ? UrlShortcut(targetArg, file)
                                                    : FileShortcut(targetArg, args, description, file);
    if (!made) return false;
    if (FAILED(file->Save(link.c_str(), TRUE))) {
        ORBLog(L"Save %s failed!\r\n", link.c_str());
        ORB_LOG_FAILURE(L"");
        return false;
    }
    ORBLog(L"Save Shortcut %s \r\n", link.c_str());
    return true;
}

int ORBOSMajorVersion() { return LOBYTE(LOWORD(GetVersion())); }

bool ORBIsWow64() {
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process");
    BOOL wow = FALSE;
    if (proc) reinterpret_cast<IsWow64Fn>(reinterpret_cast<void (*)()>(proc))(GetCurrentProcess(), &wow);
    return wow != FALSE;
}

std::wstring ORBModulePath(const std::wstring* module) {
    HMODULE h = module ? GetModuleHandleW(module->c_str()) : nullptr;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(h, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

bool ORBCommandLineWords(std::vector<std::wstring>& words) {
    int n = 0;
    ORBLocalMem<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &n));
    if (!argv) return false;
    words.assign(argv.get(), argv.get() + n);
    return true;
}

std::wstring ORBCommandLine() {
    const wchar_t* line = GetCommandLineW();
    return line ? line : L"";
}

std::vector<std::wstring> ORBFixedDrives() {
    std::vector<std::wstring> drives;
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i <= 30; ++i) {
        if (!(mask & (1u << i))) continue;
        std::wstring drive = {static_cast<wchar_t>(L'A' + i), L':'};
        if (GetDriveTypeW(drive.c_str()) == DRIVE_FIXED) drives.push_back(drive);
    }
    return drives;
}

bool ORBAdminsOnlyFolder(const std::wstring& folder) { return ORBFolderLetsUsersWrite(folder) == 0; }

std::wstring ORBPickInstallPath(const std::wstring& programFiles, const std::vector<std::wstring>& drives,
                               bool (*adminsOnly)(const std::wstring& folder)) {
    if (drives.size() < 2 || programFiles.size() < 2) return programFiles;
    for (size_t i = 1; i < drives.size(); ++i) {
        std::wstring candidate = drives[i] + programFiles.substr(2);
        // Any user may make a folder of that name on a data drive before the setup runs.
        if (IsFolder(candidate) && adminsOnly(candidate)) return candidate;
    }
    return programFiles;
}

std::wstring ORBDriverInstallPath() {
    return ORBPickInstallPath(ORBExpandEnvString(L"%ProgramFiles%\\"), ORBFixedDrives());
}

int ORBMessageBoxDefaultAnswer(UINT type) {
    static const int kButtons[][3] = {
        {IDOK, 0, 0},                        // MB_OK
        {IDOK, IDCANCEL, 0},                 // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},        // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},             // MB_YESNOCANCEL
        {IDYES, IDNO, 0},                    // MB_YESNO
        {IDRETRY, IDCANCEL, 0},              // MB_RETRYCANCEL
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE},  // MB_CANCELTRYCONTINUE
    };
    UINT kind = type & MB_TYPEMASK;
    if (kind >= sizeof kButtons / sizeof kButtons[0]) return 0;
    UINT index = (type & MB_DEFMASK) >> 8;
    // The help button (MB_HELP) sends a message instead of closing the box.
    if (index >= 3 || kButtons[kind][index] == 0) index = 0;
    return kButtons[kind][index];
}
