#include "orbfileops.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "orbhandle.h"
#include "orbhosttext.h"
#include "orblog.h"

namespace {

const wchar_t kNotExists[] = L"Fun:%s, Description:%s it's not exists!\r\n";

// Below this length every file API takes a plain path (CreateDirectoryW stops at
// MAX_PATH - 12).
const size_t kPlainPathMax = MAX_PATH - 12;

std::wstring FullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    while (n) {
        std::wstring out(n, L'\0');
        DWORD got = GetFullPathNameW(path.c_str(), n, &out[0], nullptr);
        if (got < n) {
            out.resize(got);
            return out;
        }
        n = got;
    }
    return path;
}

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
    return SHFileOperationW(&op);
}

bool CopyOrMove(bool move, const std::wstring& fromArg, const std::wstring& toArg) {
    std::wstring from = ORBExpandEnvString(fromArg);
    if (!ORBPathExists(from)) {
        ORBLog(kNotExists, move ? L"Lua_MoveFile" : L"Lua_CopyFile", from.c_str());
        return false;
    }
    std::wstring to = ORBExpandEnvString(toArg);
    int rc = move ? ShellOperation(FO_MOVE, from, &to, FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR)
                  : ShellOperation(FO_COPY, from, &to, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
    if (rc != 0) {
        ORBLog(move ? L"Move %s to %s failed!" : L"Copy %s to %s failed!", from.c_str(), to.c_str());
        ORBLog(L"SHFileOperation error code : %#x\r\n", rc);
        return false;
    }
    ORBLog(move ? L"Move %s to %s !" : L"Copy %s to %s !", from.c_str(), to.c_str());
    return true;
}

int AskWithMessageBox(const std::wstring& text, const std::wstring& caption) {
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ABORTRETRYIGNORE | MB_ICONQUESTION);
}

}  // namespace

std::wstring ORBSystemPath(const std::wstring& path) {
    if (path.size() < kPlainPathMax || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    std::wstring full = FullPath(path);
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

DWORD ORBPathAttributes(const std::wstring& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(ORBSystemPath(path).c_str());
}

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
    const DWORD attributes = ORBPathAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ORBLog(L"Fun:Lua_RemoveDirectory, Description:%s is not a folder!\r\n", path.c_str());
        return false;
    }
    // The system refuses a folder that still holds anything (ERROR_DIR_NOT_EMPTY).
    if (RemoveDirectoryW(ORBSystemPath(path).c_str())) return true;
    const DWORD err = GetLastError();
    ORBLog(L"Fun:Lua_RemoveDirectory, Description:%s not removed, err:%lu\r\n", path.c_str(), err);
    return false;
}

bool ORBCopyFile(const std::wstring& from, const std::wstring& to) { return CopyOrMove(false, from, to); }
bool ORBMoveFile(const std::wstring& from, const std::wstring& to) { return CopyOrMove(true, from, to); }

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

std::wstring ORBDeleteFailedText(const std::wstring& path) {
    // The path goes in by plain replacement: an overriding text is no format string.
    std::wstring text = ORBHostText(ORBText::kDeleteFailed);
    const size_t at = text.find(L"%s");
    return at == std::wstring::npos ? text : text.replace(at, 2, path);
}

bool ORBDeleteFile(const std::wstring& pathArg, ORBAskFn ask, bool* aborted) {
    if (!ask) ask = AskWithMessageBox;
    if (aborted) *aborted = false;
    std::wstring path = ORBExpandEnvString(pathArg);
    // Retry runs the whole deletion again; once the user has retried, the script gets
    // true whatever the later rounds end with.
    for (bool retried = false;; retried = true) {
        if (!ORBPathExists(path)) return true;
        int rc = ShellOperation(FO_DELETE, path, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
        // The shell's answer alone is not enough: it has said yes to a file still there.
        if (rc == 0 && !ORBPathExists(path)) return true;
        int answer = ask(ORBDeleteFailedText(path), ORBHostText(ORBText::kNoticeCaption));
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
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ORBLog(L"PathIsDirectoryW");
        // A junction or directory link named itself goes, never what it points at.
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            RemoveDirectoryW(ORBSystemPath(path).c_str());
        else
            ORBDeleteDirectories(path);
    } else {
        ORBLog(L"Path is file!");
        DeleteFileW(ORBSystemPath(path).c_str());
    }
    return false;
}

void ORBDeleteDirectories(const std::wstring& path) {
    ORBLog(L"%s %s", L"ORBScriptEngine::DeleteDirectories", path.c_str());
    // The line keeps its historical name: support scripts search logs for it.
    DWORD attributes = ORBPathAttributes(path);
    bool isDir = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    std::wstring pattern = path;
    if (isDir) {
        if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
        pattern += L"*.*";
    }
    std::wstring full = FullPath(pattern);
    size_t cut = full.find_last_of(L"\\/");
    std::wstring root = cut == std::wstring::npos ? std::wstring() : full.substr(0, cut);

    WIN32_FIND_DATAW fd;
    ORBFindHandle find(FindFirstFileW(ORBSystemPath(full).c_str(), &fd));
    if (!find) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring entry = root + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or directory link is removed itself, never followed: its target
            // lies outside the tree being deleted.
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryW(ORBSystemPath(entry).c_str());
            else
                ORBDeleteDirectories(entry);
        } else {
            std::wstring sys = ORBSystemPath(entry);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(sys.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(sys.c_str());
        }
    } while (FindNextFileW(find.get(), &fd));
    find.reset();

    if (!isDir) return;
    std::wstring dir = WithoutTrailingSlash(FullPath(path));
    if (lstrcmpiW(WithoutTrailingSlash(CurrentDirectory()).c_str(), dir.c_str()) == 0) {
        std::wstring parent = dir;
        size_t slash = parent.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            parent.resize(slash);
            if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
            SetCurrentDirectoryW(parent.c_str());
        }
    }
    RemoveDirectoryW(ORBSystemPath(dir).c_str());
}

bool ORBDeleteFileAfterReboot(const std::wstring& pathArg) {
    ORBLog(L"Lua_DeleteFileAfterReboot");
    std::wstring path = ORBExpandEnvString(pathArg);
    if (!ORBPathExists(path)) return true;
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
