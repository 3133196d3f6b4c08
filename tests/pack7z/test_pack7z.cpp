// The packer's archive writer and script compiler, checked against what the setup does
// with their output: its extractor unpacks the archives, its interpreter runs the chunks.
#include <windows.h>

#include <cstring>
#include <filesystem>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "lualib.h"
#include "orb7zextract.h"
#include "orbpackarchive.h"
#include "orbpackchunk.h"
#include "orbpacknames.h"
#include "orbtestutil.h"

namespace {

const uint64_t kTime = 132000000000000000ull + 1234567;  // 2019, with 100-ns digits

void SetTime(const std::wstring& path, uint64_t ticks) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FILETIME ft = {DWORD(ticks), DWORD(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

uint64_t GetTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info);
    return (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
}

std::wstring ThisProgram() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], DWORD(path.size())));
    return path;
}

struct TreeFile {
    const wchar_t* name;
    std::string data;
};

// A payload tree: text, binary, an empty file, a read-only file, a Unicode name, an
// executable (this program) and an empty folder, every file with its own time.
std::vector<TreeFile> MakeTree(const std::wstring& root) {
    std::string binary;
    for (unsigned i = 0; i < 300000; ++i) binary.push_back(char((i * 7919u) >> 5));
    std::vector<TreeFile> files = {{L"readme.txt", std::string(5000, 'r') + "end"},
                                   {L"bin\\table.bin", binary},
                                   {L"bin\\tool.exe", ReadFileBytes(ThisProgram())},
                                   {L"docs\\名字\\说明.txt", "unicode\n"},
                                   {L"docs\\empty.txt", ""},
                                   {L"ro.txt", "read only"}};
    for (const wchar_t* dir : {L"bin", L"docs", L"docs\\名字", L"empty", L"empty\\inner"})
        CreateDirectoryW((root + L"\\" + dir).c_str(), nullptr);
    uint64_t t = kTime;
    for (const TreeFile& f : files) {
        EXPECT_TRUE(WriteFileBytes(root + L"\\" + f.name, f.data));
        SetTime(root + L"\\" + f.name, t += 10000001);
    }
    SetFileAttributesW((root + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    for (const wchar_t* dir : {L"bin", L"docs", L"docs\\名字", L"empty", L"empty\\inner"})
        SetTime(root + L"\\" + dir, kTime);
    return files;
}

bool Pack(const std::wstring& folder, const std::wstring& out, std::string& error, int level = 5) {
    OrbPackArchiveOptions opt;
    opt.level = level;
    return OrbPackWriteArchive(std::filesystem::path(folder), std::filesystem::path(out), opt, error);
}

}  // namespace

TEST(PackArchive, TreeRoundTripsThroughTheSetupsExtractor) {
    ScopedTempDir src(L"p7src"), out(L"p7out"), dest(L"p7dest");
    std::vector<TreeFile> files = MakeTree(src.path());
    std::string error;
    ASSERT_TRUE(Pack(src.path(), out.file(L"a.7z"), error)) << error;
    EXPECT_FALSE(FileExists(out.file(L"a.7z.part")));
    ASSERT_EQ(0, Extract7zFromFile(dest.path(), out.file(L"a.7z"), ORB7zCallbacks()));
    for (const TreeFile& f : files) {
        std::wstring to = dest.file(f.name);
        EXPECT_TRUE(FileExists(to)) << Narrow(f.name);
        EXPECT_EQ(f.data, ReadFileBytes(to)) << Narrow(f.name);
        EXPECT_EQ(GetTime(src.file(f.name)), GetTime(to)) << Narrow(f.name);
    }
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(dest.file(L"ro.txt").c_str()));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(dest.file(L"readme.txt").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dest.file(L"empty\\inner").c_str()));
    SetFileAttributesW(src.file(L"ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(dest.file(L"ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    // An empty folder gives an archive that unpacks nothing.
    ScopedTempDir none(L"p7none"), dest2(L"p7dest2");
    ASSERT_TRUE(Pack(none.path(), out.file(L"empty.7z"), error)) << error;
    EXPECT_EQ(32u, ReadFileBytes(out.file(L"empty.7z")).size());
    EXPECT_EQ(0, Extract7zFromFile(dest2.path(), out.file(L"empty.7z"), ORB7zCallbacks()));
}

TEST(PackArchive, SameTreeGivesTheSameBytesInAnyFolderAndDifferentTimesDiffer) {
    ScopedTempDir a(L"p7a"), b(L"p7other-folder"), out(L"p7out");
    MakeTree(a.path());
    MakeTree(b.path());
    std::string error;
    ASSERT_TRUE(Pack(a.path(), out.file(L"1.7z"), error)) << error;
    ASSERT_TRUE(Pack(a.path(), out.file(L"2.7z"), error)) << error;
    ASSERT_TRUE(Pack(b.path(), out.file(L"3.7z"), error)) << error;
    std::string first = ReadFileBytes(out.file(L"1.7z"));
    EXPECT_EQ(first, ReadFileBytes(out.file(L"2.7z")));
    EXPECT_EQ(first, ReadFileBytes(out.file(L"3.7z")));
    SetTime(b.file(L"readme.txt"), kTime + 1);
    ASSERT_TRUE(Pack(b.path(), out.file(L"3.7z"), error)) << error;
    EXPECT_NE(first, ReadFileBytes(out.file(L"3.7z")));
    for (const ScopedTempDir* d : {&a, &b}) SetFileAttributesW(d->file(L"ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(PackArchive, FailuresNameTheirPathAndLeaveNoArchive) {
    ScopedTempDir src(L"p7src"), out(L"p7out");
    ASSERT_TRUE(WriteFileBytes(src.file(L"a.txt"), "a"));
    std::string error;
    // An output folder that does not exist, a payload that is not there, a bad level.
    EXPECT_FALSE(Pack(src.path(), out.file(L"missing\\a.7z"), error));
    EXPECT_NE(std::string::npos, error.find("a.7z")) << error;
    EXPECT_FALSE(Pack(src.file(L"nothing"), out.file(L"a.7z"), error));
    EXPECT_NE(std::string::npos, error.find("nothing")) << error;
    EXPECT_FALSE(Pack(src.path(), out.file(L"a.7z"), error, 10));
    EXPECT_FALSE(Pack(src.path() + L"\\", src.file(L"a.7z"), error));
    EXPECT_FALSE(FileExists(src.file(L"a.7z.part")));
    // A file that cannot be read (locked by another handle); an archive that was there
    // before stays as it was.
    ASSERT_TRUE(WriteFileBytes(out.file(L"a.7z"), "old"));
    HANDLE lock = CreateFileW(src.file(L"a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_FALSE(Pack(src.path(), out.file(L"a.7z"), error));
    EXPECT_NE(std::string::npos, error.find("a.txt")) << error;
    CloseHandle(lock);
    EXPECT_EQ("old", ReadFileBytes(out.file(L"a.7z")));
    EXPECT_FALSE(FileExists(out.file(L"a.7z.part")));
}

// The rules behind the refusals (the whole path in the message is shown with trees made
// on Linux, in check-with-7z.py): what Windows cannot hold is refused, and nothing the
// setup's extractor takes.
TEST(PackArchive, NameRulesMatchWhatWindowsAndTheExtractorHold) {
    for (const char16_t* name : {u"CON", u"con.txt", u"Nul", u"AUX.tar.gz", u"PRN .x", u"COM1", u"lpt9.x",
                                 u"COM\u00B9", u"CONIN$", u"trail.", u"trail ", u"q?.txt", u"a<b", u"pipe|x",
                                 u"ctl\x1f", u"a:b", u"."}) {
        EXPECT_NE(nullptr, OrbPackNameProblem(name));
        EXPECT_FALSE(ORB7zEntryNameIsSafe(std::wstring(name, name + std::char_traits<char16_t>::length(name))));
    }
    EXPECT_NE(nullptr, OrbPackNameProblem(u"back\\slash"));
    EXPECT_NE(nullptr, OrbPackNameProblem(std::u16string(256, u'x')));
    EXPECT_EQ(nullptr, OrbPackNameProblem(std::u16string(255, u'x')));
    for (const char16_t* name : {u"a.txt", u"名字.txt", u".hidden", u"CONFIG.SYS", u"COM10", u"console.log", u"LPT",
                                 u"x..y"}) {
        EXPECT_EQ(nullptr, OrbPackNameProblem(name));
    }
    EXPECT_EQ(OrbPackFoldCase(u"Readme.TXT"), OrbPackFoldCase(u"README.txt"));
    EXPECT_EQ(OrbPackFoldCase(u"ÄÖÜ Straße Ωμέγα Привет"), OrbPackFoldCase(u"äöü STRAßE ΩΜΈΓΑ пРИВЕТ"));
    EXPECT_NE(OrbPackFoldCase(u"a1"), OrbPackFoldCase(u"a2"));
}

namespace {

const char kScript[] =
    "local greeting = 'packed ' .. string.rep('x', 3)\n"
    "local function twice(n) return n * 2 end\n"
    "result = { greeting, twice(21), 1.5, true, nil }\n"
    "return greeting, twice(21), 2^53 + 1\n";

// Loads chunk as a binary chunk in a fresh interpreter and runs it: the first two results,
// or the error.
std::string RunChunk(const std::string& chunk) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    std::string out;
    if (luaL_loadbufferx(L, chunk.data(), chunk.size(), "chunk", "b") != LUA_OK || lua_pcall(L, 0, 2, 0) != LUA_OK)
        out = std::string("error: ") + lua_tostring(L, -1);
    else
        out = std::string(lua_tostring(L, 1)) + " " + lua_tostring(L, 2);
    lua_close(L);
    return out;
}

}  // namespace

TEST(PackChunk, ChunkForThisHostLoadsAndRuns) {
    std::string chunk, error;
    ASSERT_TRUE(OrbPackCompileChunk(kScript, "INSTSCRIPT.lua", int(sizeof(size_t)), chunk, error)) << error;
    EXPECT_EQ("packed xxx 42", RunChunk(chunk));
    // Debug information stays: the source name is in the chunk.
    EXPECT_NE(std::string::npos, chunk.find("@INSTSCRIPT.lua"));
}

TEST(PackChunk, OtherWidthHasItsHeaderAndConvertsBackLosslessly) {
    const int other = sizeof(size_t) == 8 ? 4 : 8;
    std::string mine, theirs, back, error;
    ASSERT_TRUE(OrbPackCompileChunk(kScript, "INSTSCRIPT.lua", int(sizeof(size_t)), mine, error)) << error;
    ASSERT_TRUE(OrbPackCompileChunk(kScript, "INSTSCRIPT.lua", other, theirs, error)) << error;
    const std::string header4("\x1b\x4c\x75\x61\x52\x00\x01\x04\x04\x04\x08\x00", 12);
    const std::string header8("\x1b\x4c\x75\x61\x52\x00\x01\x04\x08\x04\x08\x00", 12);
    EXPECT_EQ(other == 4 ? header4 : header8, theirs.substr(0, 12));
    EXPECT_EQ(other == 4 ? header8 : header4, mine.substr(0, 12));
    // This interpreter refuses the other width; converted to its own it is the same chunk.
    EXPECT_EQ(0u, RunChunk(theirs).find("error: "));
    ASSERT_TRUE(OrbPackConvertChunk(theirs, int(sizeof(size_t)), back, error)) << error;
    EXPECT_EQ(mine, back);
    EXPECT_EQ("packed xxx 42", RunChunk(back));
    // Damaged chunks are refused, not read past their end.
    for (size_t cut : {size_t(5), size_t(18), theirs.size() / 2, theirs.size() - 1})
        EXPECT_FALSE(OrbPackConvertChunk(theirs.substr(0, cut), 4, back, error)) << cut;
    EXPECT_FALSE(OrbPackConvertChunk(theirs + "x", 4, back, error));
}

TEST(PackChunk, SyntaxErrorGivesFileLineAndMessageAndNoChunk) {
    std::string chunk = "stale", error;
    EXPECT_FALSE(OrbPackCompileChunk("local a = 1\nif a then\n  b = = 2\nend\n", "scripts/INSTSCRIPT.lua", 4, chunk,
                                     error));
    EXPECT_EQ("scripts/INSTSCRIPT.lua:3: unexpected symbol near '='", error);
    EXPECT_TRUE(chunk.empty());
    // A name longer than the interpreter shows in full, and binary input is not source.
    std::string longName(80, 'd');
    EXPECT_FALSE(OrbPackCompileChunk("x = ", longName + ".lua", 4, chunk, error));
    EXPECT_EQ(0u, error.find(longName + ".lua:1: ")) << error;
    std::string compiled;
    ASSERT_TRUE(OrbPackCompileChunk("x = 1", "a.lua", 4, compiled, error));
    EXPECT_FALSE(OrbPackCompileChunk(compiled, "b.lua", 4, chunk, error));
    EXPECT_EQ(0u, error.find("b.lua")) << error;
}
