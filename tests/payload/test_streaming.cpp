// Block decoding as a stream: every coder and filter combination Debian's 7z writes,
// damaged and cut-short blocks, and entries skipped inside a solid block.
#include <cstring>

#include "gtest/gtest.h"
#include "7zCrc.h"
#include "orb7zextract.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbtestlua.h"
#include "orbtestutil.h"
#include "test7zwriter.h"

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }

const wchar_t* const kDataFiles[] = {L"code.exe", L"noise.bin", L"text.txt", L"empty.txt", L"sub\\odd.bin",
                                     L"sub\\z.txt"};

void ExpectData(const std::wstring& dir, const std::string& what) {
    for (const wchar_t* f : kDataFiles)
        EXPECT_EQ(ReadFileBytes(TestPath(L"coders-data\\") + f), ReadFileBytes(dir + L"\\" + f))
            << what << " " << Narrow(f);
}

// Archive bytes in memory whose reads inside [holeFrom, holeTo) find the end of the
// stream, as a file cut short under the reader would.
struct HoleStream {
    ISeekInStream vt;
    std::string bytes;
    Int64 pos = 0, holeFrom = 0, holeTo = 0;

    static SRes Read(ISeekInStreamPtr pp, void* buf, size_t* size) {
        HoleStream* p = Z7_CONTAINER_FROM_VTBL(pp, HoleStream, vt);
        Int64 end = Int64(p->bytes.size());
        if (p->pos >= p->holeFrom && p->pos < p->holeTo) end = p->pos;
        else if (p->pos < p->holeFrom) end = p->holeFrom;
        size_t n = size_t(end - p->pos) < *size ? size_t(end - p->pos) : *size;
        std::memcpy(buf, p->bytes.data() + p->pos, n);
        p->pos += Int64(n);
        *size = n;
        return SZ_OK;
    }
    static SRes Seek(ISeekInStreamPtr pp, Int64* pos, ESzSeek origin) {
        HoleStream* p = Z7_CONTAINER_FROM_VTBL(pp, HoleStream, vt);
        Int64 base = origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? p->pos : Int64(p->bytes.size());
        p->pos = base + *pos;
        *pos = p->pos;
        return SZ_OK;
    }
    HoleStream() {
        vt.Read = Read;
        vt.Seek = Seek;
    }
};

void Number(std::string& out, uint64_t v) {
    int extra = 0;
    while (extra < 8 && v >= (uint64_t(1) << (7 * (extra + 1)))) ++extra;
    out.push_back(char(extra == 8 ? 0xFF : ((0xFF00u >> extra) & 0xFF) | unsigned(v >> (8 * extra))));
    for (int i = 0; i < extra; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

void Le(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

// Writes an archive of two stored blocks: "big.bin", gap zero bytes left as a hole
// of the file, then "after.txt" holding text, whose data lie beyond the gap.
bool WriteArchiveWithGap(const std::wstring& path, uint64_t gap, const std::string& text) {
    std::string header("\x01\x04\x06", 3);
    Number(header, 0);
    Number(header, 2);
    header.push_back(0x09);
    Number(header, gap);
    Number(header, text.size());
    header += std::string("\x00\x07\x0B", 3);
    Number(header, 2);
    header += std::string("\x00\x01\x01\x00\x01\x01\x00\x0C", 8);  // two folders, one copy coder each
    Number(header, gap);
    Number(header, text.size());
    header += std::string("\x00\x08\x0A\x00\x40", 5);  // checksum of the second stream only
    CrcGenerateTable();
    Le(header, CrcCalc(text.data(), text.size()), 4);
    header += std::string("\x00\x00\x05", 3);
    Number(header, 2);
    std::string names(1, '\0');
    for (const wchar_t* n : {L"big.bin", L"after.txt"}) {
        for (const wchar_t* c = n; *c; ++c) Le(names, uint16_t(*c), 2);
        Le(names, 0, 2);
    }
    header.push_back(0x11);
    Number(header, names.size());
    header += names;
    header += std::string("\x00\x00", 2);
    std::string start;
    Le(start, gap + text.size(), 8);
    Le(start, header.size(), 8);
    Le(start, CrcCalc(header.data(), header.size()), 4);
    std::string head("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    Le(head, CrcCalc(start.data(), start.size()), 4);
    head += start;

    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &n, nullptr);
    std::string tail = text + header;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(head.size() + gap);
    bool ok = WriteFile(f, head.data(), DWORD(head.size()), &n, nullptr) && SetFilePointerEx(f, at, nullptr, FILE_BEGIN) &&
              WriteFile(f, tail.data(), DWORD(tail.size()), &n, nullptr);
    return CloseHandle(f) && ok;
}

}  // namespace

TEST(Streaming, BlocksBeyondFourGigabytesOfAnArchiveFile) {
    ScopedTempDir d(L"big"), a(L"bigarc");
    std::wstring archive = a.file(L"big.7z");
    const uint64_t gap = (uint64_t(1) << 32) + 4096;
    ASSERT_TRUE(WriteArchiveWithGap(archive, gap, "past four gigabytes"));
    // The huge entry is skipped (a folder is in its way); the next one is read from
    // beyond 4 GB.
    ASSERT_TRUE(CreateDirectoryW(d.file(L"big.bin").c_str(), nullptr));
    Engine()->SetGlobalString("D", d.path());
    Engine()->SetGlobalString("A", archive);
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true, nil, function() return 1 end)"));
    EXPECT_EQ("past four gigabytes", ReadFileBytes(d.file(L"after.txt")));
    DeleteFileW(archive.c_str());
}

TEST(Streaming, EveryCoderAndFilterCombinationRoundTrips) {
    for (const wchar_t* name : {L"copy", L"lzma", L"lzma2", L"lzma2-nonsolid", L"bcj-lzma", L"arm-lzma2", L"armt-lzma",
                                L"arm64-lzma2", L"ppc-lzma2", L"sparc-lzma2", L"ia64-lzma2", L"riscv-lzma2",
                                L"delta-lzma", L"bcj-copy", L"bcj2", L"bcj2-default", L"ppmd", L"ppmd-nonsolid"}) {
        ScopedTempDir d(L"coder");
        Engine()->SetGlobalString("D", d.path());
        Engine()->SetGlobalString("A", TestPath(std::wstring(L"coders-") + name + L".7z"));
        EXPECT_EQ("true", LuaResult1("n = 0 return Lua_UnCompress7z(A, D, true, function() n = n + 1 end)"))
            << Narrow(name);
        EXPECT_EQ("6", LuaResult1("return n")) << Narrow(name);
        ExpectData(d.path(), Narrow(name));
    }
}

TEST(Streaming, ACoderThatCannotBeDecodedIsNamedInTheLog) {
    ScopedTempDir d(L"bzip2");
    LogCapture log;
    EXPECT_NE(0, Extract7zFromFile(d.path(), TestPath(L"coders-bzip2.7z"), ORB7zCallbacks()));
    EXPECT_TRUE(log.Has(L"BZip2")) << Narrow(log.lines().empty() ? L"" : log.lines().back());
}

TEST(Streaming, NilFailureCallbackKeepsThePerFileCallback) {
    ScopedTempDir d(L"nilcb");
    Engine()->SetGlobalString("D", d.path());
    Engine()->SetGlobalString("A", TestPath(L"coders-lzma2.7z"));
    EXPECT_EQ("true", LuaResult1("n = 0 return Lua_UnCompress7z(A, D, true, function() n = n + 1 end, nil)"));
    EXPECT_EQ("6", LuaResult1("return n"));
}

TEST(Streaming, SkippedEntriesInsideASolidBlockLeaveTheFollowingOnesIntact) {
    for (const wchar_t* name : {L"lzma2", L"bcj2", L"lzma2-nonsolid"}) {
        ScopedTempDir d(L"skipmid");
        Engine()->SetGlobalString("D", d.path());
        Engine()->SetGlobalString("A", TestPath(std::wstring(L"coders-") + name + L".7z"));
        // Every file before the last is in the way (a folder of its name) and skipped.
        ASSERT_TRUE(CreateDirectoryW(d.file(L"sub").c_str(), nullptr));
        for (const wchar_t* f : kDataFiles) {
            if (wcscmp(f, L"sub\\z.txt")) {
                ASSERT_TRUE(CreateDirectoryW((d.path() + L"\\" + f).c_str(), nullptr));
            }
        }
        EXPECT_EQ("true", LuaResult1("skips = 0 return Lua_UnCompress7z(A, D, true, nil,"
                                     " function() skips = skips + 1 return 1 end)"))
            << Narrow(name);
        EXPECT_EQ("5", LuaResult1("return skips")) << Narrow(name);
        EXPECT_EQ("z", ReadFileBytes(d.file(L"sub\\z.txt"))) << Narrow(name);
    }
}

TEST(Streaming, ChecksumErrorInsideASolidBlockFailsThatEntryAndLeavesNoFile) {
    // A small block is decoded by the reader, a large one ahead on its own thread; the
    // blocks of a non-solid archive are decoded one after the other in the same way.
    for (bool nonSolid : {false, true}) {
        for (size_t size : {size_t(5000), size_t(5) << 20}) {
            ScopedTempDir d(L"crcmid"), a(L"arc");
            Engine()->SetGlobalString("D", d.path());
            const std::string first(size, 'a'), second(7000, 'b');
            std::string bytes = Make7z(
                {File7z(L"first.txt", first), File7z(L"second.txt", second), File7z(L"third.txt", "c")}, false, nonSolid);
            // Stored data follow the 32-byte start header in entry order.
            bytes[32 + first.size() + 3500] = 'X';
            ASSERT_TRUE(WriteFileBytes(a.file(L"t.7z"), bytes));
            Engine()->SetGlobalString("A", a.file(L"t.7z"));
            EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true)")) << size << nonSolid;
            EXPECT_EQ(first, ReadFileBytes(d.file(L"first.txt"))) << size << nonSolid;
            EXPECT_FALSE(FileExists(d.file(L"second.txt"))) << size << nonSolid;
            EXPECT_FALSE(FileExists(d.file(L"third.txt"))) << size << nonSolid;
        }
    }
}

TEST(Streaming, LargeBlockSkipsAndCutsShortAsASmallOne) {
    const std::string first(6 << 20, 'a'), second(3 << 20, 'b');
    for (bool nonSolid : {false, true}) {
        const std::string bytes = Make7z({File7z(L"first.bin", first), File7z(L"second.bin", second)}, false, nonSolid);
        {
            // The first entry is in the way and skipped; the second comes after it intact.
            ScopedTempDir d(L"bigskip");
            ASSERT_TRUE(CreateDirectoryW(d.file(L"first.bin").c_str(), nullptr));
            HoleStream in;
            in.bytes = bytes;
            ORB7zCallbacks callbacks;
            callbacks.createFailed = [](const std::wstring&, DWORD) { return 1; };
            EXPECT_EQ(0, Extract7zEntries(d.path(), &in.vt, callbacks));
            EXPECT_EQ(second, ReadFileBytes(d.file(L"second.bin")));
        }
        {
            ScopedTempDir d(L"bigcut");
            HoleStream in;
            in.bytes = bytes;
            in.holeFrom = 2 << 20;
            in.holeTo = Int64(bytes.size()) - 4000;
            EXPECT_NE(0, Extract7zEntries(d.path(), &in.vt, ORB7zCallbacks()));
            EXPECT_FALSE(FileExists(d.file(L"first.bin")));
        }
    }
}

TEST(Streaming, StreamsCutShortOrDamagedFailWithoutHanging) {
    for (const wchar_t* name : {L"lzma", L"lzma2", L"bcj2", L"copy", L"delta-lzma"}) {
        std::string bytes = ReadFileBytes(TestPath(std::wstring(L"coders-") + name + L".7z"));
        ASSERT_GT(bytes.size(), 200000u);
        for (int damaged = 0; damaged < 2; ++damaged) {
            ScopedTempDir d(L"cut");
            HoleStream in;
            in.bytes = bytes;
            if (damaged) {
                for (size_t k = 100000; k < 140000; ++k) in.bytes[k] = char(k * 7);
            } else {
                in.holeFrom = 100000;  // inside the packed data, before the header
                in.holeTo = Int64(bytes.size()) - 4000;
            }
            int status = Extract7zEntries(d.path(), &in.vt, ORB7zCallbacks());
            EXPECT_NE(0, status) << Narrow(name) << " damaged " << damaged;
        }
    }
}
