#include "orbfileops.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "orbhandle.h"
#include "orblinks.h"
#include "orblog.h"

ORBShFileOperationFn g_orbShFileOperation = SHFileOperationW;

namespace {

const wchar_t kNotExists[] = L"Fun:%s, Description:%s it's not exists!\r\n";

std::wstring CurrentDirectory() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    while (n) {
        std::wstring out(n, L'\0');
        DWORD got = GetCurrentDirectoryW(n, &out[0]);
        if (got < n) {
            out.resize(got);
            return out;
        }
        n = got;
    }
    return std::wstring();
}

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

// Shell operation on one source (and one destination); lists end with two NULs, the
// string's terminator being the second.
int ShellOperation(UINT func, const std::wstring& from, const std::wstring* to, FILEOP_FLAGS flags) {
    std::wstring src = from + L'\0';
    std::wstring dst = to ? *to + L'\0' : std::wstring();
    SHFILEOPSTRUCTW op = {};
    op.wFunc = func;
    op.pFrom = src.c_str();
    op.pTo = to ? dst.c_str() : nullptr;
    op.fFlags = flags;
    return g_orbShFileOperation(&op);
}

bool CopyOrMove(bool move, const std::wstring& fromArg, const std::wstring& toArg, bool unattended) {
    std::wstring from = ORBExpandEnvString(fromArg);
    if (!ORBPathExists(from)) {
        ORBLog(kNotExists, move ? L"Lua_MoveFile" : L"Lua_CopyFile", from.c_str());
        return false;
    }
    std::wstring to = ORBExpandEnvString(toArg);
    // Nobody is there to close the shell's own error windows in an unattended run.
    const FILEOP_FLAGS noUi = unattended ? FOF_NOERRORUI : 0;
    int rc = move ? ShellOperation(FO_MOVE, from, &to, FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | noUi)
                  : ShellOperation(FO_COPY, from, &to, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | noUi);
    if (rc != 0) {
        ORBLog(move ? L"Move %s to %s failed!" : L"Copy %s to %s failed!", from.c_str(), to.c_str());
        ORBLog(L"SHFileOperation error code : %#x\r\n", rc);
        return false;
    }
    ORBLog(move ? L"Move %s to %s !" : L"Copy %s to %s !", from.c_str(), to.c_str());
    return true;
}

// False, with a line naming it, when a folder on the way to path is a link: what lies
// behind it is not the tree the caller meant.
bool ParentsAreNoLinks(const std::wstring& path, const wchar_t* fn) {
    std::wstring full = WithoutTrailingSlash(ORBFullPath(path));
    size_t slash = full.find_last_of(L"\\/");
    std::wstring where;
    if (slash == std::wstring::npos || !ORBPathCrossesLink(full.substr(0, slash), &where)) return true;
    ORBLog(L"Fun:%s, Description:%s passes through the link %s, kept!\r\n", fn, path.c_str(), where.c_str());
    return false;
}

// Deletes the name full and, for a folder, everything below it, each on the handle it
// was checked by; a link is removed itself. A folder is listed through its own handle,
// and the folders above stay open without delete sharing while their content goes, so
// no name on the way can be swapped for a link.
void DeleteOpenTree(const std::wstring& full) {
    ORBFileHandle h(ORBOpenNoFollow(full, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY));
    ORBFileFacts facts;
    if (!h || !ORBHandleFacts(h.get(), full, &facts)) return;
    if ((facts.attributes & FILE_ATTRIBUTE_DIRECTORY) && !ORBIsLink(facts)) {
        std::vector<LONGLONG> buffer(8192);  // aligned for the entries
        FILE_INFO_BY_HANDLE_CLASS next = FileFullDirectoryRestartInfo;
        while (GetFileInformationByHandleEx(h.get(), next, buffer.data(), DWORD(buffer.size() * sizeof(LONGLONG)))) {
            next = FileFullDirectoryInfo;
            const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
            for (;;) {
                const FILE_FULL_DIR_INFO* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
                std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
                if (name != L"." && name != L"..") DeleteOpenTree(full + L"\\" + name);
                if (!entry->NextEntryOffset) break;
                at += entry->NextEntryOffset;
            }
        }
    }
    ORBDeleteByHandle(h.get());
}

// The tree at path (a folder, a file or a link), refused when a folder on its way is a
// link. The current folder, when it is the tree's root, moves to the parent first: the
// system holds it open and would keep it.
void DeleteTree(const std::wstring& path, const wchar_t* fn) {
    if (!ParentsAreNoLinks(path, fn)) return;
    std::wstring full = WithoutTrailingSlash(ORBFullPath(path));
    if (lstrcmpiW(WithoutTrailingSlash(CurrentDirectory()).c_str(), full.c_str()) == 0) {
        std::wstring parent = full;
        size_t slash = parent.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            parent.resize(slash);
            if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
            SetCurrentDirectoryW(parent.c_str());
        }
    }
    DeleteOpenTree(full);
}

}  // namespace

bool ORBCreateDirectory(const std::wstring& pathArg) {
    std::wstring path = ORBExpandEnvString(pathArg);
    if (ORBPathExists(path)) return true;
    SHCreateDirectory(nullptr, path.c_str());
    if (ORBPathExists(path)) {
        ORBLog(L"Create Directory %s!\r\n", path.c_str());
        return true;
    }
    ORBLog(kNotExists, L"Lua_CreateDirectory", path.c_str());
    return false;
}

bool ORBRemoveEmptyDirectory(const std::wstring& pathArg) {
    std::wstring path = ORBExpandEnvString(pathArg);
    if (path.empty()) {
        ORBLog(L"Fun:Lua_RemoveDirectory, Description:no folder given!\r\n");
        return false;
    }
    if (!ORBPathExists(path)) return true;
    if (!ParentsAreNoLinks(path, L"Lua_RemoveDirectory")) return false;
    ORBFileHandle dir(ORBOpenNoFollow(path, DELETE | FILE_READ_ATTRIBUTES));
    ORBFileFacts facts;
    if (dir && !ORBHandleFacts(dir.get(), path, &facts)) dir.reset();
    if (dir && !(facts.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ORBLog(L"Fun:Lua_RemoveDirectory, Description:%s is not a folder!\r\n", path.c_str());
        return false;
    }
    // The system refuses a folder that still holds anything (ERROR_DIR_NOT_EMPTY); a
    // folder link goes itself.
    if (dir && ORBDeleteByHandle(dir.get())) return true;
    const DWORD err = GetLastError();
    ORBLog(L"Fun:Lua_RemoveDirectory, Description:%s not removed, err:%lu\r\n", path.c_str(), err);
    return false;
}

bool ORBCopyFile(const std::wstring& from, const std::wstring& to, bool unattended) {
    return CopyOrMove(false, from, to, unattended);
}
bool ORBMoveFile(const std::wstring& from, const std::wstring& to, bool unattended) {
    return CopyOrMove(true, from, to, unattended);
}

bool ORBRenameFile(const std::wstring& fromArg, const std::wstring& toArg) {
    std::wstring from = ORBExpandEnvString(fromArg);
    if (!ORBPathExists(from)) {
        ORBLog(kNotExists, L"Lua_RenameFile", from.c_str());
        return false;
    }
    std::wstring to = ORBExpandEnvString(toArg);
    bool ok = MoveFileExW(ORBSystemPath(from).c_str(), ORBSystemPath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    ORBLog(ok ? L"MoveFile %s to %s !" : L"MoveFile %s to %s failed!", from.c_str(), to.c_str());
    return ok;
}

bool ORBDeleteFile(const std::wstring& pathArg, ORBAskFn ask, bool* aborted) {
    if (aborted) *aborted = false;
    std::wstring path = ORBExpandEnvString(pathArg);
    // Retry runs the whole deletion again; once the user has retried, the script gets
    // true whatever the later rounds end with.
    for (bool retried = false;; retried = true) {
        if (!ORBPathExists(path)) return true;
        int rc = ShellOperation(FO_DELETE, path, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
        // The shell's answer alone is not enough: it has said yes to a file still there.
        if (rc == 0 && !ORBPathExists(path)) return true;
        int answer = ask(path);
        if (answer == IDABORT) {
            ORBLog(L"Delete %s failed, aborted by the user\r\n", path.c_str());
            if (aborted) *aborted = true;
            return false;
        }
        if (answer == IDRETRY) continue;
        ORBLog(L"Delete %s failed!\r\n", path.c_str());
        ORBLog(L"SHFileOperation error code : %#x\r\n", rc);
        return answer == IDIGNORE || retried;
    }
}

bool ORBDeleteFileUnattended(const std::wstring& pathArg, int tries, DWORD pauseMs) {
    std::wstring path = ORBExpandEnvString(pathArg);
    for (int attempt = 1;; ++attempt) {
        if (!ORBPathExists(path)) return true;
        int rc = ShellOperation(FO_DELETE, path, nullptr, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI);
        if (rc == 0 && !ORBPathExists(path)) return true;
        if (attempt >= tries) {
            ORBLog(L"Delete %s failed!\r\n", path.c_str());
            ORBLog(L"SHFileOperation error code : %#x\r\n", rc);
            return false;
        }
        Sleep(pauseMs);
    }
}

bool ORBDelFileRecursive(const std::wstring& pathArg) {
    ORBLog(L"Lua_DelFileRecursive");
    std::wstring path = ORBExpandEnvString(pathArg);
    DWORD attributes = ORBPathAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // A link named itself goes, never what it points at.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ORBLog(L"PathIsDirectoryW");
        ORBDeleteDirectories(path);
    } else {
        ORBLog(L"Path is file!");
        DeleteTree(path, L"Lua_DelFileRecursive");
    }
    return false;
}

void ORBDeleteDirectories(const std::wstring& path) {
    // The line keeps its historical name: support scripts search logs for it.
    ORBLog(L"%s %s", L"ORBScriptEngine::DeleteDirectories", path.c_str());
    DeleteTree(path, L"DeleteDirectories");
}

bool ORBDeleteFileAfterReboot(const std::wstring& pathArg) {
    ORBLog(L"Lua_DeleteFileAfterReboot");
    std::wstring path = ORBExpandEnvString(pathArg);
    if (!ORBPathExists(path)) return true;
    // At the restart the name is taken as it is then: not through a link now.
    if (!ParentsAreNoLinks(path, L"Lua_DeleteFileAfterReboot")) return false;
    return MoveFileExW(ORBSystemPath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool ORBGetTempFileName(const std::wstring& dirArg, const std::wstring& prefix, std::wstring& out) {
    std::wstring dir = ORBExpandEnvString(dirArg);
    // The system writes at most MAX_PATH units here and refuses longer folders.
    std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
    if (!GetTempFileNameW(dir.c_str(), prefix.c_str(), 0, buffer.data())) return false;
    out = buffer.data();
    return true;
}
