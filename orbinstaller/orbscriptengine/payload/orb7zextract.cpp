#include "orb7zextract.h"

#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
#include "orb7zfolder.h"
#include "orb7zwriter.h"
#include "orbfileops.h"
#include "orbhandle.h"
#include "orbjournal.h"
#include "orblinks.h"
#include "orblog.h"

namespace {

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const size_t kLookBufferSize = size_t(1) << 18;
const size_t kSkipChunk = size_t(1) << 16;
// Blocks whose coders cannot be streamed are unpacked in memory up to this size.
const UInt64 kMemoryBlockLimit = UInt64(32) << 20;
const UInt64 kPreallocateFrom = UInt64(1) << 16;

// Attribute bits an archive may set; directory, device, reparse-point, sparse,
// compressed and encrypted bits are never taken from an archive.
const DWORD kAllowedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Seekable stream over a byte range, read at explicit offsets (64-bit, so archives
// beyond 4 GB work in the 32-bit program) from memory or a file, optionally serving the
// first two bytes exchanged (the stored form of the payload resources).
struct RangeInStream {
    ISeekInStream vt;
    const Byte* memory;  // the bytes, or null to read them from file
    HANDLE file;
    UInt64 base, size, pos;
    UInt64 filePos;  // where the file's own position is, ~0 when unknown
    bool swapHead;
};

// Plain reads, with a seek only where the reads do not follow on (blocks are mostly
// read in order): a read given its offset in an OVERLAPPED costs Wine a server round
// trip to post its completion, one per block of a non-solid archive.
bool ReadAt(RangeInStream* p, UInt64 offset, void* buf, size_t size, size_t* got) {
    if (p->memory) {
        std::memcpy(buf, p->memory + size_t(offset), size);
        *got = size;
        return true;
    }
    if (offset != p->filePos) {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(offset);
        p->filePos = ~UInt64(0);
        if (!SetFilePointerEx(p->file, to, nullptr, FILE_BEGIN)) return false;
    }
    DWORD n = 0;
    if (!ReadFile(p->file, buf, DWORD(size), &n, nullptr)) {
        p->filePos = ~UInt64(0);
        return false;
    }
    p->filePos = offset + n;
    *got = n;
    return true;
}

// The stream callbacks are noexcept: the SDK's C code calling them has no unwind tables
// in the 32-bit build (cmake/ThirdParty.cmake).
SRes RangeRead(ISeekInStreamPtr pp, void* buf, size_t* size) noexcept {
    RangeInStream* p = Z7_CONTAINER_FROM_VTBL(pp, RangeInStream, vt);
    UInt64 left = p->size - p->pos;
    size_t want = *size > (size_t(1) << 30) ? size_t(1) << 30 : *size;
    if (want > left) want = size_t(left);
    *size = 0;
    if (want == 0) return SZ_OK;
    size_t got = 0;
    if (!ReadAt(p, p->base + p->pos, buf, want, &got)) return SZ_ERROR_READ;
    if (p->swapHead && p->pos < 2 && p->size >= 2) {
        Byte head[2];
        size_t n = 0;
        if (!ReadAt(p, p->base, head, 2, &n) || n != 2) return SZ_ERROR_READ;
        for (UInt64 i = p->pos; i < 2 && i < p->pos + got; ++i) static_cast<Byte*>(buf)[i - p->pos] = head[1 - i];
    }
    p->pos += got;
    *size = got;
    return SZ_OK;
}

SRes RangeSeek(ISeekInStreamPtr pp, Int64* pos, ESzSeek origin) noexcept {
    RangeInStream* p = Z7_CONTAINER_FROM_VTBL(pp, RangeInStream, vt);
    Int64 base = origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? Int64(p->pos) : Int64(p->size);
    Int64 to = base + *pos;
    if (to < 0 || UInt64(to) > p->size) return SZ_ERROR_READ;
    p->pos = UInt64(to);
    *pos = to;
    return SZ_OK;
}

int ExtractRange(const std::wstring& destination, const Byte* memory, HANDLE file, UInt64 offset, UInt64 size,
                 const ORB7zCallbacks& callbacks, bool swapHead) {
    RangeInStream in;
    in.vt.Read = RangeRead;
    in.vt.Seek = RangeSeek;
    in.memory = memory;
    in.file = file;
    in.base = offset;
    in.size = size;
    in.pos = 0;
    in.filePos = ~UInt64(0);
    in.swapHead = swapHead;
    return Extract7zEntries(destination, &in.vt, callbacks);
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

// True for a link (the file operations' one rule), which would carry writes elsewhere;
// also for a name that is there but cannot be examined. path is in system form.
bool IsLink(const std::wstring& path) {
    ORBFileFacts facts;
    if (ORBPathFacts(path, &facts)) return ORBIsLink(facts);
    const DWORD err = GetLastError();
    return err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
}

// The bytes of one entry after another: streamed block by block, or from the
// decoder's cache of a whole unpacked block (a block whose coders cannot be streamed
// and that is small enough to unpack in memory).
class EntryData {
public:
    EntryData(Session& s, ISeekInStreamPtr stream) : s_(s), in_(stream) {}

    // Positions at entry i; a block in memory is unpacked here.
    SRes Begin(UInt32 i) {
        left_ = SzArEx_GetFileSize(&s_.db, i);
        memory_ = nullptr;
        UInt32 folder = s_.db.FileToFolder[i];
        if (folder == 0xFFFFFFFF) return left_ ? SZ_ERROR_FAIL : SZ_OK;
        if (stream_.Reaches(folder)) {
            SRes res = stream_.Advance(folder);
            if (res != SZ_OK) return res;
        } else if (stream_.Folder() != folder) {
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
        if (stream_.Folder() != folder) {
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
    UInt64 left_ = 0;
    const Byte* memory_ = nullptr;
    std::vector<Byte> skipBuffer_;
};

// Queues entry i from data for file on writer (bytes in memory already are written
// here); a decoder status, SZ_ERROR_CRC for a checksum mismatch, or kORB7zFileFailed
// when the file cannot be written (the system error in *error). After a failure the
// caller flushes the writer before the file goes.
int WriteEntry(HANDLE file, EntryData& data, const CSzArEx& db, UInt32 i, ORB7zFileWriter* writer, DWORD* error) {
    UInt32 crc = CRC_INIT_VAL;
    bool check = data.Streaming() && SzBitWithVals_Check(&db.CRCs, i);
    for (;;) {
        Byte* buffer = writer->Acquire();
        const Byte* piece = nullptr;
        size_t size = 0;
        SRes res = data.Next(buffer, ORB7zFileWriter::PieceSize(), &piece, &size);
        if (res != SZ_OK || size == 0) {
            writer->Write(file, buffer, 0);  // only gives the buffer back
            if (res != SZ_OK) return res;
            break;
        }
        if (check) crc = CrcUpdate(crc, piece, size);
        if (piece == buffer) {
            writer->Write(file, buffer, size);
            continue;
        }
        // The block cache: written from there.
        bool ok = ORB7zWriteAll(file, piece, size, error);
        writer->Write(file, buffer, 0);
        if (!ok) return kORB7zFileFailed;
    }
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

// Never through a link; a file with other hard links is replaced, not written through.
// With an install journal open, an existing file is first renamed aside (put back if the
// install fails).
HANDLE CreateTarget(const std::wstring& system, bool* link) {
    if (!ORBJournalBeforeFile(system)) return INVALID_HANDLE_VALUE;
    return ORBCreateForWrite(system, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, link).release();
}

// The attributes an archive sets on entry i, 0 for none.
DWORD EntryAttributes(const CSzArEx& db, UInt32 i) {
    if (!SzBitWithVals_Check(&db.Attribs, i)) return 0;
    DWORD attributes = db.Attribs.Vals[i];
    // Archives made on POSIX systems keep the mode in the high half.
    if (attributes & 0xF0000000) attributes &= 0x7FFF;
    attributes &= kAllowedAttributes;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

int RefuseLink(const std::wstring& entry) {
    ORBLog(L"Fun:%s, Description: entry \"%s\" leads through a link, refused!\r\n", L"Extract7zEntries", entry.c_str());
    return kORB7zUnsafeEntry;
}

// Names the coder of folder that cannot be decoded, so a payload packed with other
// switches is recognised from the log.
void RefuseCoders(const CSzArEx& db, UInt32 folder) {
    std::wstring coder = ORB7zRefusedCoder(&db, folder);
    if (coder.empty())
        ORBLog(L"Fun:%s, Description: the coders of block %u are combined in a way that cannot be decoded!\r\n",
               L"Extract7zEntries", unsigned(folder));
    else
        ORBLog(L"Fun:%s, Description: block %u uses the coder %s, which cannot be decoded!\r\n", L"Extract7zEntries",
               unsigned(folder), coder.c_str());
}

// One entry's paths: its name, the path the callbacks see, and the system form every
// file-system call uses, computed once; the name is the system form's tail from nameAt.
struct Target {
    std::wstring entry, path, system;
    size_t nameAt = 0;
};

// One run over the entries of an open archive, in archive order.
class Extractor {
public:
    Extractor(Session& s, ISeekInStreamPtr stream, const std::wstring& destination, const ORB7zCallbacks& callbacks)
        : s_(s), data_(s, stream), callbacks_(callbacks), root_(destination) {
        if (!root_.empty() && root_.back() != L'\\' && root_.back() != L'/') root_ += L'\\';
    }

    // Files are handed to the per-file callback in archive order once closed, which is
    // a little after they were written; those done before a failure still are.
    int Run() {
        // The destination and the folders above it are checked too: a link among them
        // would carry the whole payload elsewhere.
        std::wstring where;
        if (ORBPathCrossesLink(root_, &where)) {
            ORBLog(L"Fun:%s, Description: destination %s passes through the link %s, refused!\r\n",
                   L"Extract7zEntries", root_.c_str(), where.c_str());
            return kORB7zUnsafeEntry;
        }
        int status = 0;
        for (UInt32 i = 0; i < s_.db.NumFiles && status == 0; ++i) {
            status = Delivered(false);
            if (status == 0) status = Entry(i);
        }
        int last = Delivered(true);
        return status ? status : last;
    }

private:
    // The files closed so far to the per-file callback (with wait: all of them); a
    // status once one could not be written or closed.
    int Delivered(bool wait) {
        std::wstring failed;
        DWORD error = 0;
        if (writer_.Deliver(wait, callbacks_.fileWritten, &failed, &error)) return 0;
        if (!reported_) WriteFailed(failed, error);
        reported_ = true;
        return kORB7zFileFailed;
    }

    static void WriteFailed(const std::wstring& path, DWORD error) {
        ORBLog(L"Fun:%s, Description: writing or closing %s failed, error %lu!\r\n", L"Extract7zEntries", path.c_str(),
               static_cast<unsigned long>(error));
    }

    int Entry(UInt32 i) {
        Target t;
        int status = Name(i, &t);
        if (status != 0) return status;
        bool isDir = SzArEx_IsDir(&s_.db, i);
        if (!isDir) {
            SRes res = data_.Begin(i);
            if (res == SZ_ERROR_UNSUPPORTED) RefuseCoders(s_.db, s_.db.FileToFolder[i]);
            if (res != SZ_OK) return res;
        }
        // Parent folders, also for archives that store no directory entries.
        bool fresh = false;
        size_t slash = t.system.find_last_of(L'\\');
        if (slash != std::wstring::npos && slash >= t.nameAt && !MakeFolders(t.system.substr(0, slash), t.nameAt, &fresh))
            return RefuseLink(t.entry);
        if (isDir) return MakeFolders(t.system, t.nameAt, &fresh) ? 0 : RefuseLink(t.entry);
        return File(i, t, fresh);
    }

    int Name(UInt32 i, Target* t) {
        size_t len = SzArEx_GetFileNameUtf16(&s_.db, i, nullptr);  // with the terminator
        try {
            if (name_.size() < len) name_.resize(len);
        } catch (const std::bad_alloc&) {
            return kORB7zNoMemory;
        }
        SzArEx_GetFileNameUtf16(&s_.db, i, name_.data());
        t->entry.assign(reinterpret_cast<const wchar_t*>(name_.data()), len ? len - 1 : 0);
        if (!ORB7zEntryNameIsSafe(t->entry)) {
            ORBLog(L"Fun:%s, Description: unsafe entry name \"%s\" refused!\r\n", L"Extract7zEntries", t->entry.c_str());
            return kORB7zUnsafeEntry;
        }
        for (wchar_t& c : t->entry)
            if (c == L'/') c = L'\\';
        t->path = root_ + t->entry;
        t->system = ORBSystemPath(t->path);
        // A safe name comes through the full-path form unchanged.
        if (t->system.size() <= t->entry.size() ||
            t->system.compare(t->system.size() - t->entry.size(), std::wstring::npos, t->entry) != 0)
            return kORB7zUnsafeEntry;
        t->nameAt = t->system.size() - t->entry.size();
        return 0;
    }

    // Creates the folders along folder below its first `from` units. Each one that
    // already existed is checked for a link before anything goes into it; below a
    // folder this run made there is nothing it did not put there, so no check. False
    // when one is a link; *fresh tells whether the last one is this run's.
    bool MakeFolders(const std::wstring& folder, size_t from, bool* fresh) {
        auto known = folders_.find(folder);
        if (known != folders_.end()) {
            *fresh = known->second;
            return true;
        }
        bool made = false;
        for (size_t k = from; k <= folder.size(); ++k) {
            if (k < folder.size() && folder[k] != L'\\') continue;
            std::wstring step = folder.substr(0, k);
            auto it = folders_.find(step);
            if (it != folders_.end()) {
                made = it->second;
                continue;
            }
            bool created = CreateDirectoryW(step.c_str(), nullptr) != 0;
            if (created && !ORBJournalFolderCreated(step)) return false;
            if (!created && !made && IsLink(step)) return false;
            made = made || created;
            folders_.emplace(std::move(step), made);
        }
        *fresh = made;
        return true;
    }

    // An existing file in the way: refused when it is a link; bits that make
    // create-always fail (read-only, and hidden or system unless asked for again) are
    // cleared, since a reinstall must overwrite its own files.
    static bool ClearWay(const std::wstring& system) {
        DWORD old = GetFileAttributesW(system.c_str());
        if (old == INVALID_FILE_ATTRIBUTES) return true;
        if (IsLink(system)) return false;
        const DWORD blocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (!(old & FILE_ATTRIBUTE_DIRECTORY) && (old & blocking)) SetFileAttributesW(system.c_str(), old & ~blocking);
        return true;
    }

    // Creates the entry's file, asking the script what to do when that fails: the
    // handle, or none with *status 0 for a skipped entry.
    ORBFileHandle Create(const Target& t, bool fresh, int* status) {
        *status = 0;
        if (!fresh && !ClearWay(t.system)) {
            *status = RefuseLink(t.entry);
            return ORBFileHandle();
        }
        bool link = false;
        ORBFileHandle file(CreateTarget(t.system, &link));
        // In a folder of this run only an entry stored twice can be in the way.
        if (!file && !link && fresh && GetLastError() == ERROR_ACCESS_DENIED) {
            if (!ClearWay(t.system)) {
                *status = RefuseLink(t.entry);
                return ORBFileHandle();
            }
            file.reset(CreateTarget(t.system, &link));
        }
        if (link) {
            *status = RefuseLink(t.entry);
            return file;
        }
        if (file) return file;
        DWORD err = GetLastError();
        // The script hears of the files before this one first; the same entry stored
        // twice may still be open on the closing threads.
        *status = Delivered(true);
        if (*status != 0) return file;
        if (err == ERROR_SHARING_VIOLATION) {
            file.reset(CreateTarget(t.system, &link));
            if (file) return file;
            err = GetLastError();
        }
        int decision = err && callbacks_.createFailed ? callbacks_.createFailed(t.path, err) : 2;
        if (decision == 0) file.reset(CreateTarget(t.system, &link));
        if (!file && decision != 1) *status = kORB7zFileFailed;  // 1: skipped, not a failure by itself
        return file;
    }

    int File(UInt32 i, const Target& t, bool fresh) {
        int status = 0;
        ORBFileHandle file = Create(t, fresh, &status);
        if (!file) {
            data_.Skip();
            return status;
        }
        Preallocate(file.get(), SzArEx_GetFileSize(&s_.db, i));
        DWORD error = 0;
        status = WriteEntry(file.get(), data_, s_.db, i, &writer_, &error);
        if (status != 0) {
            // Not left behind looking complete.
            writer_.Flush();
            file.reset();
            DeleteFileW(t.system.c_str());
            if (status == kORB7zFileFailed && !reported_) WriteFailed(t.path, error);
            reported_ = reported_ || status == kORB7zFileFailed;
            return status;
        }
        Close(i, t, std::move(file));
        return 0;
    }

    // Time and attributes through the open handle, then the slow close off this thread.
    void Close(UInt32 i, const Target& t, ORBFileHandle file) {
        FILE_BASIC_INFO basic = {};
        if (SzBitWithVals_Check(&s_.db.MTime, i)) {
            basic.LastWriteTime.LowPart = s_.db.MTime.Vals[i].Low;
            basic.LastWriteTime.HighPart = LONG(s_.db.MTime.Vals[i].High);
        }
        basic.FileAttributes = EntryAttributes(s_.db, i);
        bool set = basic.LastWriteTime.QuadPart || basic.FileAttributes;
        writer_.Close(file.release(), t.path, t.system, set ? &basic : nullptr);
    }

    Session& s_;
    EntryData data_;
    ORB7zFileWriter writer_;
    const ORB7zCallbacks& callbacks_;
    std::wstring root_;
    std::vector<UInt16> name_;
    bool reported_ = false;
    // Folders met so far (system form), true for those this run made.
    std::unordered_map<std::wstring, bool> folders_;
};

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
    return Extractor(s, stream, destination, callbacks).Run();
}

int Extract7zFromMemory(const std::wstring& destination, const void* data, size_t size,
                        const ORB7zCallbacks& callbacks, bool restoreSignature) {
    static const Byte kNothing = 0;
    const Byte* bytes = data ? static_cast<const Byte*>(data) : &kNothing;
    return ExtractRange(destination, bytes, nullptr, 0, data ? size : 0, callbacks, restoreSignature);
}

int Extract7zFromFile(const std::wstring& destination, const std::wstring& archive, const ORB7zCallbacks& callbacks) {
    ORBFileHandle file(CreateFileW(ORBSystemPath(archive).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) return kORB7zOpenFailed;
    return ExtractRange(destination, nullptr, file.get(), 0, UInt64(size.QuadPart), callbacks, false);
}

int Extract7zFromFileRange(const std::wstring& destination, HANDLE file, unsigned long long offset,
                           unsigned long long size, const ORB7zCallbacks& callbacks, bool restoreSignature) {
    return ExtractRange(destination, nullptr, file, offset, size, callbacks, restoreSignature);
}
