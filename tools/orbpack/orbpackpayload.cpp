// Payload archives. The folder is packed by the archive library when it is part of the
// build; without it, by the 7z program on the build machine (POSIX only).
#include "orbpackpayload.h"

#include <cstring>
#include <random>

#include "orbpackfiles.h"

#ifdef ORBPACK_HAVE_ARCHIVE
#include "orbpackarchive.h"
#elif !defined(_WIN32)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

extern "C" {
#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
}

namespace {

struct MemInStream {
    ISeekInStream vt;
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

SRes MemRead(ISeekInStreamPtr pp, void* buf, size_t* size) {
    MemInStream* p = Z7_CONTAINER_FROM_VTBL(pp, MemInStream, vt);
    size_t left = p->bytes->size() - p->pos;
    if (*size > left) *size = left;
    std::memcpy(buf, p->bytes->data() + p->pos, *size);
    p->pos += *size;
    return SZ_OK;
}

SRes MemSeek(ISeekInStreamPtr pp, Int64* pos, ESzSeek origin) {
    MemInStream* p = Z7_CONTAINER_FROM_VTBL(pp, MemInStream, vt);
    Int64 base = origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? Int64(p->pos) : Int64(p->bytes->size());
    Int64 to = base + *pos;
    if (to < 0 || uint64_t(to) > p->bytes->size()) return SZ_ERROR_READ;
    p->pos = size_t(to);
    *pos = to;
    return SZ_OK;
}

const ISzAlloc kAlloc = {SzAlloc, SzFree};

#if !defined(ORBPACK_HAVE_ARCHIVE) && !defined(_WIN32)
// Runs 7z inside the folder, so entry names are relative to it.
bool RunSevenZip(const fs::path& folder, const fs::path& out, int level) {
    std::string mx = "-mx=" + std::to_string(level), target = out.string();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        int null = open("/dev/null", O_WRONLY);  // its progress report is of no use here
        if (null >= 0) dup2(null, 1);
        execlp("7z", "7z", "a", "-t7z", "-bd", "-y", mx.c_str(), target.c_str(), ".", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

}  // namespace

bool OrbPackArchiveFolder(const fs::path& folder, int level, std::vector<uint8_t>& archive, std::string& error) {
    std::error_code ec;
    fs::path tmp = fs::temp_directory_path(ec) / ("orbpack-" + std::to_string(std::random_device()()) + ".7z");
    fs::remove(tmp, ec);
    bool ok;
#ifdef ORBPACK_HAVE_ARCHIVE
    OrbPackArchiveOptions opt;
    opt.level = level;
    ok = OrbPackWriteArchive(folder, tmp, opt, error);
#elif !defined(_WIN32)
    ok = RunSevenZip(folder, tmp, level);
    if (!ok) error = OrbPackShow(folder) + ": packing with 7z failed";
#else
    (void)level;
    ok = false;
    error = OrbPackShow(folder) + ": this orbpack packs no folders (built without the archive library); give a .7z";
#endif
    ok = ok && OrbPackRead(tmp, archive, error);
    fs::remove(tmp, ec);
    return ok;
}

bool OrbPackArchiveSize(const std::vector<uint8_t>& archive, uint64_t& size) {
    MemInStream in;
    in.vt.Read = MemRead;
    in.vt.Seek = MemSeek;
    in.bytes = &archive;
    in.pos = 0;
    CLookToRead2 look;
    LookToRead2_CreateVTable(&look, False);
    std::vector<Byte> buffer(1 << 16);
    look.buf = buffer.data();
    look.bufSize = buffer.size();
    look.realStream = &in.vt;
    LookToRead2_INIT(&look)
    CrcGenerateTable();
    CSzArEx db;
    SzArEx_Init(&db);
    bool ok = SzArEx_Open(&db, &look.vt, &kAlloc, &kAlloc) == SZ_OK;
    size = 0;
    for (UInt32 i = 0; ok && i < db.NumFiles; ++i)
        if (!SzArEx_IsDir(&db, i)) size += SzArEx_GetFileSize(&db, i);
    SzArEx_Free(&db, &kAlloc);
    return ok;
}

uint64_t OrbPackFolderSize(const fs::path& folder) {
    uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec)) total += it->file_size(ec);
    return total;
}

void OrbPackStoredForm(std::vector<uint8_t>& archive) {
    if (archive.size() >= 2) std::swap(archive[0], archive[1]);
}

bool OrbPackAppendPayload(std::vector<uint8_t>& image, const std::vector<uint8_t>& archive, const std::string& name,
                          std::string& error) {
    std::u16string units;
    if (!OrbPackUtf16(name, units) || units.size() > 20) {
        error = "payload name longer than 20 units: " + name;
        return false;
    }
    size_t offset = (image.size() + 7) & ~size_t(7);
    image.resize(offset, 0);
    image.insert(image.end(), archive.begin(), archive.end());
    image.resize((image.size() + 7) & ~size_t(7), 0);
    const char tag[] = "ORBPAYLD";
    image.insert(image.end(), tag, tag + 8);
    for (uint64_t v : {uint64_t(offset), uint64_t(archive.size())})
        for (int i = 0; i < 8; ++i) image.push_back(uint8_t(v >> (8 * i)));
    for (size_t i = 0; i < 20; ++i) {
        char16_t c = i < units.size() ? units[i] : 0;
        image.push_back(uint8_t(c));
        image.push_back(uint8_t(c >> 8));
    }
    return true;
}
