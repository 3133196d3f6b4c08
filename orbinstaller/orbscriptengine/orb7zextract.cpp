#include "orb7zextract.h"

#include <cstring>
#include <vector>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
#include "7zFile.h"
#include "orbfileops.h"
#include "orbhandle.h"
#include "orblog.h"

namespace {

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const size_t kLookBufferSize = size_t(1) << 18;
const DWORD kWriteChunk = DWORD(1) << 22;

// Attribute bits an archive may set; directory, device, reparse-point, sparse,
// compressed and encrypted bits are never taken from an archive.
const DWORD kAllowedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Seekable stream over bytes in memory, optionally serving the first two bytes
// exchanged (the stored form of the payload resources).
struct MemoryInStream {
    ISeekInStream vt;
    const Byte* data;
    size_t size;
    size_t pos;
    bool swapHead;
};

SRes MemoryRead(ISeekInStreamPtr pp, void* buf, size_t* size) {
    MemoryInStream* p = Z7_CONTAINER_FROM_VTBL(pp, MemoryInStream, vt);
    size_t n = p->size - p->pos;
    if (n > *size) n = *size;
    std::memcpy(buf, p->data + p->pos, n);
    if (p->swapHead && p->pos < 2 && p->size >= 2)
        for (size_t i = p->pos; i < 2 && i < p->pos + n; ++i)
            static_cast<Byte*>(buf)[i - p->pos] = p->data[1 - i];
    p->pos += n;
    *size = n;
    return SZ_OK;
}

SRes MemorySeek(ISeekInStreamPtr pp, Int64* pos, ESzSeek origin) {
    MemoryInStream* p = Z7_CONTAINER_FROM_VTBL(pp, MemoryInStream, vt);
    Int64 base = origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? Int64(p->pos) : Int64(p->size);
    Int64 to = base + *pos;
    if (to < 0 || UInt64(to) > p->size) return SZ_ERROR_READ;
    p->pos = size_t(to);
    *pos = to;
    return SZ_OK;
}

bool IsDeviceName(const std::wstring& part) {
    // The base name before the first dot, trailing blanks ignored, as Win32 matches them.
    size_t end = part.find(L'.');
    if (end == std::wstring::npos) end = part.size();
    while (end > 0 && part[end - 1] == L' ') --end;
    std::wstring base = part.substr(0, end);
    for (wchar_t& c : base)
        if (c >= L'a' && c <= L'z') c = wchar_t(c - L'a' + L'A');
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* n : kNames)
        if (base == n) return true;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        wchar_t d = base[3];
        return (d >= L'0' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
    }
    return false;
}

bool IsSafePart(const std::wstring& part) {
    if (part.empty() || part == L"." || part == L"..") return false;
    // Win32 drops trailing dots and blanks, which could turn a part into "..".
    if (part.back() == L'.' || part.back() == L' ') return false;
    for (wchar_t c : part)
        if (c < 0x20 || std::wcschr(L"<>:\"|?*", c)) return false;
    return !IsDeviceName(part);
}

// Everything the run owns, freed on every way out.
struct Session {
    CLookToRead2 look;
    CSzArEx db;
    UInt32 blockIndex = 0xFFFFFFFF;
    Byte* outBuffer = nullptr;
    size_t outBufferSize = 0;

    Session() {
        std::memset(&look, 0, sizeof look);
        SzArEx_Init(&db);
    }
    ~Session() {
        ISzAlloc_Free(&kAlloc, outBuffer);
        SzArEx_Free(&db, &kAlloc);
        ISzAlloc_Free(&kAlloc, look.buf);
    }
};

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(ORBSystemPath(path).c_str(), nullptr) != 0; }

HANDLE CreateTarget(const std::wstring& path) {
    return CreateFileW(ORBSystemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsLink(const std::wstring& path) {
    DWORD a = GetFileAttributesW(ORBSystemPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// True when a folder of path below the first `from` units is a link or junction, which
// would carry the writes outside the destination.
bool PassesLink(const std::wstring& path, size_t from) {
    for (size_t k = from; k < path.size(); ++k)
        if (path[k] == L'\\' && IsLink(path.substr(0, k))) return true;
    return false;
}

bool WriteAll(HANDLE file, const Byte* data, size_t size) {
    while (size) {
        DWORD chunk = size > kWriteChunk ? kWriteChunk : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

int RefuseLink(const std::wstring& entry) {
    ORBLog(L"Fun:%s, Description: entry \"%s\" leads through a link, refused!\r\n", L"Extract7zEntries", entry.c_str());
    return kORB7zUnsafeEntry;
}

}  // namespace

bool ORB7zEntryNameIsSafe(const std::wstring& name) {
    size_t start = 0;
    for (;;) {
        size_t end = name.find_first_of(L"/\\", start);
        if (!IsSafePart(name.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)))
            return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

int Extract7zEntries(const std::wstring& destination, ISeekInStreamPtr stream, const ORB7zCallbacks& callbacks) {
    Session s;
    LookToRead2_CreateVTable(&s.look, False);
    s.look.buf = static_cast<Byte*>(ISzAlloc_Alloc(&kAlloc, kLookBufferSize));
    if (!s.look.buf) return SZ_ERROR_MEM;
    s.look.bufSize = kLookBufferSize;
    s.look.realStream = stream;
    LookToRead2_INIT(&s.look)

    CrcGenerateTable();
    SRes res = SzArEx_Open(&s.db, &s.look.vt, &kAlloc, &kAlloc);
    if (res != SZ_OK) return res;

    std::wstring root = destination;
    if (!root.empty() && root.back() != L'\\' && root.back() != L'/') root += L'\\';
    std::vector<UInt16> name;
    std::wstring checkedParent;  // the last parent folder found free of links
    for (UInt32 i = 0; i < s.db.NumFiles; ++i) {
        size_t len = SzArEx_GetFileNameUtf16(&s.db, i, nullptr);  // with the terminator
        try {
            if (name.size() < len) name.resize(len);
        } catch (const std::bad_alloc&) {
            return kORB7zNoMemory;
        }
        SzArEx_GetFileNameUtf16(&s.db, i, name.data());
        std::wstring entry(reinterpret_cast<const wchar_t*>(name.data()), len ? len - 1 : 0);
        if (!ORB7zEntryNameIsSafe(entry)) {
            ORBLog(L"Fun:%s, Description: unsafe entry name \"%s\" refused!\r\n", L"Extract7zEntries", entry.c_str());
            return kORB7zUnsafeEntry;
        }
        for (wchar_t& c : entry)
            if (c == L'/') c = L'\\';
        std::wstring path = root + entry;
        bool isDir = SzArEx_IsDir(&s.db, i);

        size_t offset = 0, size = 0;
        if (!isDir) {
            res = SzArEx_Extract(&s.db, &s.look.vt, i, &s.blockIndex, &s.outBuffer, &s.outBufferSize, &offset, &size,
                                 &kAlloc, &kAlloc);
            if (res != SZ_OK) return res;
        }
        // Parent folders, also for archives that store no directory entries.
        for (size_t k = root.size(); k < path.size(); ++k)
            if (path[k] == L'\\') CreateFolder(path.substr(0, k));
        size_t slash = path.find_last_of(L'\\');
        std::wstring parent = path.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
        if (parent != checkedParent) {
            if (PassesLink(parent, root.size())) return RefuseLink(entry);
            checkedParent = parent;
        }
        if (isDir) {
            CreateFolder(path);
            continue;
        }

        DWORD old = GetFileAttributesW(ORBSystemPath(path).c_str());
        if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_REPARSE_POINT)) return RefuseLink(entry);
        // Create-always refuses existing read-only files, and hidden or system ones
        // unless the same bits are asked for: a reinstall must overwrite its own files.
        const DWORD blocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) && (old & blocking))
            SetFileAttributesW(ORBSystemPath(path).c_str(), old & ~blocking);
        ORBFileHandle file(CreateTarget(path));
        if (!file) {
            DWORD err = GetLastError();
            if (err) {
                int decision = callbacks.createFailed ? callbacks.createFailed(path, err) : 2;
                if (decision == 1) continue;  // skipped: not a failure by itself
                if (decision != 0) return kORB7zFileFailed;
                file.reset(CreateTarget(path));
                if (!file) return kORB7zFileFailed;
            } else {
                return kORB7zFileFailed;
            }
        }
        if (!WriteAll(file.get(), s.outBuffer + offset, size)) return kORB7zFileFailed;
        if (SzBitWithVals_Check(&s.db.MTime, i)) {
            FILETIME mtime;
            mtime.dwLowDateTime = DWORD(s.db.MTime.Vals[i].Low);
            mtime.dwHighDateTime = DWORD(s.db.MTime.Vals[i].High);
            SetFileTime(file.get(), nullptr, nullptr, &mtime);
        }
        if (!CloseHandle(file.release())) return kORB7zFileFailed;
        if (SzBitWithVals_Check(&s.db.Attribs, i)) {
            DWORD attributes = s.db.Attribs.Vals[i];
            // Archives made on POSIX systems keep the mode in the high half.
            if (attributes & 0xF0000000) attributes &= 0x7FFF;
            attributes &= kAllowedAttributes;
            SetFileAttributesW(ORBSystemPath(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
        }
        if (callbacks.fileWritten) callbacks.fileWritten(path);
    }
    return SZ_OK;
}

int Extract7zFromMemory(const std::wstring& destination, const void* data, size_t size,
                        const ORB7zCallbacks& callbacks, bool restoreSignature) {
    MemoryInStream in;
    in.vt.Read = MemoryRead;
    in.vt.Seek = MemorySeek;
    in.data = static_cast<const Byte*>(data);
    in.size = data ? size : 0;
    in.pos = 0;
    in.swapHead = restoreSignature;
    return Extract7zEntries(destination, &in.vt, callbacks);
}

int Extract7zFromFile(const std::wstring& destination, const std::wstring& archive, const ORB7zCallbacks& callbacks) {
    CFileInStream in;
    FileInStream_CreateVTable(&in);
    in.wres = 0;
    ORBFileHandle file(CreateFileW(ORBSystemPath(archive).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return kORB7zOpenFailed;
    in.file.handle = file.get();
    return Extract7zEntries(destination, &in.vt, callbacks);
}
