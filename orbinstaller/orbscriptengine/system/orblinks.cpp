#include "orblinks.h"

#include <shlwapi.h>

#include "orbpaths.h"

namespace {

ORBFactsHook g_hook = nullptr;

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenName(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    return CreateFileW(ORBSystemPath(path).c_str(), access, share, nullptr, disposition,
                       attributes | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Units of the volume root at the start of a full path ("C:\", "\\server\share\"),
// prefixed forms included.
size_t RootLength(const std::wstring& full) {
    size_t skip = 0;
    if (full.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        std::wstring rest = L"\\\\" + full.substr(8);
        const wchar_t* after = PathSkipRootW(rest.c_str());
        return after ? 8 + size_t(after - rest.c_str()) - 2 : full.size();
    }
    if (full.compare(0, 4, L"\\\\?\\") == 0) skip = 4;
    const wchar_t* after = PathSkipRootW(full.c_str() + skip);
    return after ? size_t(after - full.c_str()) : full.size();
}

}  // namespace

void ORBSetFactsHook(ORBFactsHook hook) { g_hook = hook; }

bool ORBHandleFacts(HANDLE h, const std::wstring& path, ORBFileFacts* facts) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    *facts = ORBFileFacts();
    facts->attributes = info.dwFileAttributes;
    facts->links = info.nNumberOfLinks;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        FILE_ATTRIBUTE_TAG_INFO tag;
        if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag)) return false;
        facts->reparseTag = tag.ReparseTag;
    }
    if (g_hook) g_hook(path, *facts);
    return true;
}

ORBFileHandle ORBOpenNoFollow(const std::wstring& path, DWORD access) {
    return ORBFileHandle(OpenName(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
}

bool ORBPathFacts(const std::wstring& path, ORBFileFacts* facts) {
    ORBFileHandle h(OpenName(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, 0));
    return h && ORBHandleFacts(h.get(), path, facts);
}

bool ORBPathCrossesLink(const std::wstring& path, std::wstring* where) {
    if (path.empty()) return false;
    std::wstring full = ORBFullPath(path);
    for (size_t k = RootLength(full); k <= full.size(); ++k) {
        if (k < full.size() && full[k] != L'\\' && full[k] != L'/') continue;
        if (k == 0 || full[k - 1] == L'\\' || full[k - 1] == L'/') continue;
        std::wstring step = full.substr(0, k);
        ORBFileFacts facts;
        if (!ORBPathFacts(step, &facts)) {
            const DWORD err = GetLastError();
            if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return false;
            if (where) *where = step;
            return true;  // there, but not to be examined: refused rather than followed
        }
        if (ORBIsLink(facts)) {
            if (where) *where = step;
            return true;
        }
    }
    return false;
}

bool ORBDeleteByHandle(HANDLE h) {
    FILE_DISPOSITION_INFO gone = {TRUE};
    if (SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone)) return true;
    const DWORD err = GetLastError();
    FILE_BASIC_INFO basic;
    if (err != ERROR_ACCESS_DENIED || !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) ||
        !(basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(err);
        return false;
    }
    basic.FileAttributes &= ~DWORD(FILE_ATTRIBUTE_READONLY);
    if (!basic.FileAttributes) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic)) return false;
    return SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone) != 0;
}

ORBFileHandle ORBCreateForWrite(const std::wstring& path, DWORD share, DWORD attributes, bool* link) {
    *link = false;
    const DWORD access = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES;
    // Two rounds: the name may change between the attempts; a third change is refused.
    for (int round = 0; round < 3; ++round) {
        ORBFileHandle file(OpenName(path, access, share, CREATE_NEW, attributes));
        if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
        file.reset(OpenName(path, access, share, OPEN_EXISTING, 0));
        if (!file) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND) continue;
            return file;
        }
        ORBFileFacts facts;
        if (!ORBHandleFacts(file.get(), path, &facts) || ORBIsLink(facts)) {
            *link = true;
            SetLastError(ERROR_CANT_ACCESS_FILE);
            return ORBFileHandle();
        }
        if (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            SetLastError(ERROR_ACCESS_DENIED);
            return ORBFileHandle();
        }
        if (facts.links > 1) {
            // Writing through would change the other names' content too.
            if (!ORBDeleteByHandle(file.get())) return ORBFileHandle();
            continue;
        }
        FILE_END_OF_FILE_INFO empty = {};
        if (!SetFileInformationByHandle(file.get(), FileEndOfFileInfo, &empty, sizeof empty)) return ORBFileHandle();
        return file;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return ORBFileHandle();
}
