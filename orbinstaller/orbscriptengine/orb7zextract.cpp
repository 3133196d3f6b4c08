#include "orb7zextract.h"

#include <cstring>
#include <vector>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
#include "7zFile.h"
#include "orb7zfolder.h"
#include "orb7zwriter.h"
#include "orbfileops.h"
#include "orbhandle.h"
#include "orblog.h"

namespace {

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const size_t kLookBufferSize = size_t(1) << 18;
const DWORD kWriteChunk = DWORD(1) << 22;
const size_t kSkipChunk = size_t(1) << 16;
// Blocks whose coders cannot be streamed are unpacked in memory up to this size.
const UInt64 kMemoryBlockLimit = UInt64(32) << 20;
const UInt64 kPreallocateFrom = UInt64(1) << 16;

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

// Seekable stream over a byte range of a file, read at explicit offsets (64-bit, so
// archives beyond 4 GB work in the 32-bit program), with the same signature exchange.
struct FileRangeInStream {
    ISeekInStream vt;
    HANDLE file;
    UInt64 base, size, pos;
    bool swapHead;
};

SRes FileRangeRead(ISeekInStreamPtr pp, void* buf, size_t* size) {
    FileRangeInStream* p = Z7_CONTAINER_FROM_VTBL(pp, FileRangeInStream, vt);
    UInt64 left = p->size - p->pos;
    DWORD want = *size > (size_t(1) << 30) ? DWORD(1) << 30 : DWORD(*size);
    if (want > left) want = DWORD(left);
    *size = 0;
    if (want == 0) return SZ_OK;
    OVERLAPPED at = {};
    UInt64 offset = p->base + p->pos;
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(p->file, buf, want, &got, &at) && GetLastError() != ERROR_HANDLE_EOF) return SZ_ERROR_READ;
    if (p->swapHead && p->pos < 2 && p->size >= 2) {
        Byte head[2];
        DWORD n = 0;
        OVERLAPPED start = {};
        start.Offset = DWORD(p->base);
        start.OffsetHigh = DWORD(p->base >> 32);
        if (!ReadFile(p->file, head, 2, &n, &start) || n != 2) return SZ_ERROR_READ;
        for (UInt64 i = p->pos; i < 2 && i < p->pos + got; ++i) static_cast<Byte*>(buf)[i - p->pos] = head[1 - i];
    }
    p->pos += got;
    *size = got;
    return SZ_OK;
}

SRes FileRangeSeek(ISeekInStreamPtr pp, Int64* pos, ESzSeek origin) {
    FileRangeInStream* p = Z7_CONTAINER_FROM_VTBL(pp, FileRangeInStream, vt);
    Int64 base = origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? Int64(p->pos) : Int64(p->size);
    Int64 to = base + *pos;
    if (to < 0 || UInt64(to) > p->size) return SZ_ERROR_READ;
    p->pos = UInt64(to);
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

// True for a symbolic link or junction, which would carry writes elsewhere. Other
// reparse points (compressed, deduplicated or cloud placeholder files) are ordinary
// files and folders.
bool IsLink(const std::wstring& path) {
    DWORD a = GetFileAttributesW(ORBSystemPath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    WIN32_FIND_DATAW fd;
    ORBFindHandle find(FindFirstFileW(ORBSystemPath(path).c_str(), &fd));
    if (!find) return true;  // unknown: refuse rather than follow
    return fd.dwReserved0 == IO_REPARSE_TAG_SYMLINK || fd.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT;
}

// Creates the folders of parent below its first `from` units, checking each existing
// one for a link before going into it. False when one is a link.
bool MakeParents(const std::wstring& parent, size_t from) {
    for (size_t k = from; k < parent.size(); ++k) {
        if (parent[k] != L'\\') continue;
        std::wstring folder = parent.substr(0, k);
        if (IsLink(folder)) return false;
        CreateFolder(folder);
    }
    return true;
}

// The bytes of one entry after another: streamed block by block, or from the
// decoder's cache of a whole unpacked block (wholeBlocks, or a block whose coders
// cannot be streamed and that is small enough to unpack in memory).
class EntryData {
public:
    EntryData(Session& s, ISeekInStreamPtr stream, bool wholeBlocks)
        : s_(s), in_(stream), wholeBlocks_(wholeBlocks) {}

    // Positions at entry i; a block in memory is unpacked here.
    SRes Begin(UInt32 i) {
        left_ = SzArEx_GetFileSize(&s_.db, i);
        memory_ = nullptr;
        UInt32 folder = s_.db.FileToFolder[i];
        if (folder == 0xFFFFFFFF) return left_ ? SZ_ERROR_FAIL : SZ_OK;
        if (!wholeBlocks_ && stream_.Folder() != folder) {
            SRes res = stream_.Open(&s_.db, folder, in_);
            if (res == SZ_ERROR_UNSUPPORTED) {
                UInt64 size = SzAr_GetFolderUnpackSize(&s_.db.db, folder);
                if (size > kMemoryBlockLimit) {
                    ORBLog(L"Fun:%s, Description: block %u of %I64u bytes uses a method that cannot be streamed!\r\n",
                           L"Extract7zEntries", unsigned(folder), static_cast<unsigned long long>(size));
                    return res;
                }
            } else if (res != SZ_OK) {
                return res;
            }
        }
        if (wholeBlocks_ || stream_.Folder() != folder) {
            size_t offset = 0, size = 0;
            SRes res = SzArEx_Extract(&s_.db, &s_.look.vt, i, &s_.blockIndex, &s_.outBuffer, &s_.outBufferSize,
                                      &offset, &size, &kAlloc, &kAlloc);
            memory_ = s_.outBuffer + offset;
            return res;
        }
        // Files of a block follow each other; bytes before this one are passed over.
        UInt64 at = s_.db.UnpackPositions[i] - s_.db.UnpackPositions[s_.db.FolderToFile[folder]];
        if (at < stream_.Position()) return SZ_ERROR_FAIL;
        return Discard(at - stream_.Position());
    }

    // The next piece of the entry, decoded into `into` (capacity bytes) or handed out
    // in place from memory; *size 0 at its end.
    SRes Next(Byte* into, size_t capacity, const Byte** data, size_t* size) {
        *size = 0;
        if (left_ == 0) return SZ_OK;
        if (memory_) {
            *data = memory_;
            *size = size_t(left_);
            left_ = 0;
            return SZ_OK;
        }
        SRes res = stream_.Read(into, left_ < capacity ? size_t(left_) : capacity, size);
        if (res != SZ_OK) return res;
        if (*size == 0) return SZ_ERROR_DATA;
        left_ -= *size;
        *data = into;
        return SZ_OK;
    }

    // Passes over the rest of the entry: decoded only when a later entry of the same
    // block needs the bytes behind it.
    void Skip() { left_ = 0; }

    // True when the entry is decoded here (and its checksum is ours to check).
    bool Streaming() const { return !memory_; }

private:
    SRes Discard(UInt64 n) {
        if (n && skipBuffer_.empty()) skipBuffer_.resize(kSkipChunk);
        while (n) {
            size_t got = 0;
            SRes res = stream_.Read(skipBuffer_.data(), n < kSkipChunk ? size_t(n) : kSkipChunk, &got);
            if (res != SZ_OK) return res;
            if (got == 0) return SZ_ERROR_DATA;
            n -= got;
        }
        return SZ_OK;
    }

    Session& s_;
    ORB7zFolderStream stream_;
    ISeekInStreamPtr in_;
    bool wholeBlocks_;
    UInt64 left_ = 0;
    const Byte* memory_ = nullptr;
    std::vector<Byte> skipBuffer_;
};

// Writes entry i from data, through writer when there is one; a decoder status,
// SZ_ERROR_CRC for a checksum mismatch, or kORB7zFileFailed when the file cannot be
// written.
int WriteEntry(HANDLE file, EntryData& data, const CSzArEx& db, UInt32 i, ORB7zFileWriter* writer) {
    UInt32 crc = CRC_INIT_VAL;
    bool check = data.Streaming() && SzBitWithVals_Check(&db.CRCs, i);
    // A file of one piece is written here: handing it over would cost more than it saves.
    bool behind = SzArEx_GetFileSize(&db, i) > ORB7zFileWriter::PieceSize();
    SRes res = SZ_OK;
    for (;;) {
        Byte* buffer = writer->Acquire();
        const Byte* piece = nullptr;
        size_t size = 0;
        res = data.Next(buffer, ORB7zFileWriter::PieceSize(), &piece, &size);
        if (res != SZ_OK || size == 0 || piece != buffer || !behind) {
            // In memory already (the block cache) or small: written here.
            if (check && res == SZ_OK) crc = CrcUpdate(crc, piece, size);
            bool ok = res != SZ_OK || size == 0 || WriteAll(file, piece, size);
            writer->Write(file, buffer, 0);  // only gives the buffer back
            if (!ok) return kORB7zFileFailed;
            if (res != SZ_OK || size == 0) break;
            continue;
        }
        if (check) crc = CrcUpdate(crc, piece, size);
        writer->Write(file, buffer, size);
    }
    DWORD error = 0;
    bool written = writer->Flush(&error);
    if (res != SZ_OK) return res;
    if (!written) return kORB7zFileFailed;
    if (check && CRC_GET_DIGEST(crc) != db.CRCs.Vals[i]) return SZ_ERROR_CRC;
    return 0;
}

// Reserves the file's size at once, so the file system need not grow it piece by
// piece; a file system that cannot is no failure.
void Preallocate(HANDLE file, UInt64 size) {
    if (size < kPreallocateFrom) return;
    FILE_ALLOCATION_INFO info;
    info.AllocationSize.QuadPart = LONGLONG(size);
    SetFileInformationByHandle(file, FileAllocationInfo, &info, sizeof info);
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
    EntryData data(s, stream, callbacks.wholeBlocks);
    ORB7zFileWriter writer;

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

        if (!isDir) {
            res = data.Begin(i);
            if (res != SZ_OK) return res;
        }
        // Parent folders, also for archives that store no directory entries; each one
        // is checked for a link before anything is created inside it.
        size_t slash = path.find_last_of(L'\\');
        std::wstring parent = path.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
        if (parent != checkedParent) {
            if (!MakeParents(parent, root.size())) return RefuseLink(entry);
            checkedParent = parent;
        }
        if (isDir) {
            if (IsLink(path)) return RefuseLink(entry);
            CreateFolder(path);
            continue;
        }

        DWORD old = GetFileAttributesW(ORBSystemPath(path).c_str());
        if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_REPARSE_POINT) && IsLink(path))
            return RefuseLink(entry);
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
                if (decision == 1) {  // skipped: not a failure by itself
                    data.Skip();
                    continue;
                }
                if (decision != 0) return kORB7zFileFailed;
                file.reset(CreateTarget(path));
                if (!file) return kORB7zFileFailed;
            } else {
                return kORB7zFileFailed;
            }
        }
        UInt64 size = SzArEx_GetFileSize(&s.db, i);
        if (!callbacks.wholeBlocks) Preallocate(file.get(), size);
        int status = WriteEntry(file.get(), data, s.db, i, &writer);
        if (status != 0) {
            // Not left behind looking complete.
            file.reset();
            DeleteFileW(ORBSystemPath(path).c_str());
            return status;
        }
        DWORD attributes = 0;
        if (SzBitWithVals_Check(&s.db.Attribs, i)) {
            attributes = s.db.Attribs.Vals[i];
            // Archives made on POSIX systems keep the mode in the high half.
            if (attributes & 0xF0000000) attributes &= 0x7FFF;
            attributes &= kAllowedAttributes;
            if (!attributes) attributes = FILE_ATTRIBUTE_NORMAL;
        }
        if (callbacks.wholeBlocks) {
            // The former order, kept for comparison: time, close, attributes by path.
            if (SzBitWithVals_Check(&s.db.MTime, i)) {
                FILETIME mtime;
                mtime.dwLowDateTime = DWORD(s.db.MTime.Vals[i].Low);
                mtime.dwHighDateTime = DWORD(s.db.MTime.Vals[i].High);
                SetFileTime(file.get(), nullptr, nullptr, &mtime);
            }
            if (!CloseHandle(file.release())) return kORB7zFileFailed;
            if (attributes) SetFileAttributesW(ORBSystemPath(path).c_str(), attributes);
        } else {
            // Time and attributes through the open handle, then the slow close off
            // this thread.
            FILE_BASIC_INFO basic = {};
            if (SzBitWithVals_Check(&s.db.MTime, i)) {
                basic.LastWriteTime.LowPart = s.db.MTime.Vals[i].Low;
                basic.LastWriteTime.HighPart = LONG(s.db.MTime.Vals[i].High);
            }
            basic.FileAttributes = attributes;
            if (basic.LastWriteTime.QuadPart || attributes)
                SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
            // A per-file callback may open, load or move the file: it gets it closed.
            if (callbacks.fileWritten) {
                if (!CloseHandle(file.release())) return kORB7zFileFailed;
            } else {
                writer.Close(file.release(), path);
            }
        }
        if (callbacks.fileWritten) callbacks.fileWritten(path);
    }
    std::wstring failed;
    if (!writer.Finish(&failed)) {
        ORBLog(L"Fun:%s, Description: closing %s failed!\r\n", L"Extract7zEntries", failed.c_str());
        return kORB7zFileFailed;
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

int Extract7zFromFileRange(const std::wstring& destination, const std::wstring& file, unsigned long long offset,
                           unsigned long long size, const ORB7zCallbacks& callbacks, bool restoreSignature) {
    ORBFileHandle handle(CreateFileW(ORBSystemPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return kORB7zOpenFailed;
    FileRangeInStream in;
    in.vt.Read = FileRangeRead;
    in.vt.Seek = FileRangeSeek;
    in.file = handle.get();
    in.base = offset;
    in.size = size;
    in.pos = 0;
    in.swapHead = restoreSignature;
    return Extract7zEntries(destination, &in.vt, callbacks);
}
