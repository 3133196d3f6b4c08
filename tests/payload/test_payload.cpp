// Payload and resource extraction through the script functions, in process.
#include <shlobj.h>

#include <cstring>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbfileops.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbtestlinks.h"
#include "orbtestlua.h"
#include "orbtestutil.h"
#include "test7zwriter.h"

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }
lua_State* L() { return Engine()->GetState(); }

const std::string kReadme = "ORB test payload: read me first.\n";
const std::string kGuide = "Guide line one.\nGuide line two.\n";
const size_t kTableSize = 39780;

void ExpectPayload(const std::wstring& dir) {
    EXPECT_EQ(kReadme, ReadFileBytes(dir + L"\\readme.txt"));
    EXPECT_EQ(kGuide, ReadFileBytes(dir + L"\\docs\\guide.txt"));
    EXPECT_EQ(kTableSize, ReadFileBytes(dir + L"\\bin\\table.txt").size());
}

std::wstring WriteArchive(const ScopedTempDir& tmp, const std::string& bytes, const std::wstring& name = L"t.7z") {
    std::wstring path = tmp.file(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    Engine()->SetGlobalString("A", path);
    return path;
}

// Names directly inside dir.
std::vector<std::wstring> List(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) names.push_back(fd.cFileName);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

HANDLE g_locked = INVALID_HANDLE_VALUE;
int Unlock(lua_State*) {
    CloseHandle(g_locked);
    g_locked = INVALID_HANDLE_VALUE;
    return 0;
}

void Lock(const std::wstring& path) {
    g_locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, g_locked);
    lua_register(L(), "test_unlock", Unlock);
}

}  // namespace

TEST(UnCompress7z, NamedNumericAndCaseInsensitiveResourcesExtractEveryTime) {
    // Each call sees the standard signature, however often the resource is used.
    for (const char* source : {"'App.7z'", "'APP.7Z'", "'app.7Z'", "7", "'7'", "'App.7z'"}) {
        ScopedTempDir d(L"res");
        Engine()->SetGlobalString("D", d.path());
        LogCapture log;
        EXPECT_EQ("true", LuaResult1(std::string("return Lua_UnCompress7z(") + source + ", D)")) << source;
        ExpectPayload(d.path());
        EXPECT_TRUE(log.Has(L"xm UnCompress successful.\r\n"));
        bool named = source[0] == '\'' && source[1] != '7';
        EXPECT_EQ(named, log.Has(L"xm UnCompress ") && log.Has(L" to " + d.path() + L" .\r\n")) << source;
    }
}

TEST(UnCompress7z, FileSourceOnlyWithBooleanTrue) {
    ScopedTempDir d(L"file");
    Engine()->SetGlobalString("D", d.path());
    Engine()->SetGlobalString("A", TestPath(L"payload-app.7z"));
    LogCapture log;
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
    ExpectPayload(d.path());
    EXPECT_TRUE(log.Has(L"xm UnCompress " + TestPath(L"payload-app.7z") + L" to " + d.path() + L" .\r\n"));
    // A non-boolean third argument selects the resource named by the path: not found.
    log.Clear();
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, 1)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_UnCompress7z ,LoadResource failed!\r\n"));
}

TEST(UnCompress7z, ArgumentCountsOutsideTwoToFiveDoNothingAndSucceed) {
    ScopedTempDir d(L"args");
    Engine()->SetGlobalString("D", d.path());
    LogCapture log;
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z('App.7z')"));
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z('App.7z', D, false, nil, nil, 6)"));
    EXPECT_TRUE(List(d.path()).empty());
    EXPECT_TRUE(log.Has(L"xm UnCompress successful.\r\n"));
}

TEST(UnCompress7z, MissingDestinationResourceOrFileFailWithTheirLines) {
    ScopedTempDir d(L"miss");
    std::wstring missing = d.file(L"nope");
    Engine()->SetGlobalString("M", missing);
    Engine()->SetGlobalString("D", d.path());
    LogCapture log;
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z('App.7z', M)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_UnCompress7z, Description:" + missing + L" it's not exists!\r\n"));
    EXPECT_FALSE(FileExists(missing));
    log.Clear();
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z('NoSuch.7z', D)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_UnCompress7z ,LoadResource failed!\r\n"));
    log.Clear();
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(M, D, true)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_UnCompress7z, Description:" + missing + L" it's not exists!\r\n"));
    EXPECT_TRUE(List(d.path()).empty());
}

TEST(UnCompress7z, DestinationReferencesAreExpandedBeyond260Units) {
    ScopedTempDir d(L"long");
    std::wstring deep = d.path();
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(40, L'x');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    SetEnvironmentVariableW(L"ORB_T_DEEP", deep.c_str());
    Engine()->SetGlobalString("A", TestPath(L"payload-app.7z"));
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, '%ORB_T_DEEP%', true)"));
    EXPECT_EQ(kGuide, ReadFileBytes(L"\\\\?\\" + deep + L"\\docs\\guide.txt"));
    // The shell's delete cannot take such trees; remove it before the folder goes.
    std::wstring first = d.path() + L"\\" + std::wstring(40, L'x');
    ORBDeleteDirectories(first);
    EXPECT_FALSE(FileExists(first));
}

TEST(UnCompress7z, NestedEntriesWithoutDirectoryEntriesCreateTheirFolders) {
    ScopedTempDir d(L"nest"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    WriteArchive(a, Make7z({File7z(L"a/b/c.txt", "deep"), File7z(L"top.txt", "top")}));
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
    EXPECT_EQ("deep", ReadFileBytes(d.file(L"a\\b\\c.txt")));
    EXPECT_EQ("top", ReadFileBytes(d.file(L"top.txt")));
}

TEST(UnCompress7z, TimesAndAttributesAreAppliedAndReadOnlyTargetsOverwritten) {
    ScopedTempDir d(L"attr"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    const uint64_t kTime = 130000000000000000ull;  // 2012
    Test7zEntry ro = File7z(L"ro.txt", "new read-only");
    ro.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ro.mtime = kTime;
    // Device, reparse-point and directory bits from an archive are dropped.
    Test7zEntry odd = File7z(L"odd.txt", "odd");
    odd.attributes = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_DIRECTORY |
                     FILE_ATTRIBUTE_ARCHIVE;
    // A POSIX archive's mode in the high half is ignored.
    Test7zEntry posix = File7z(L"posix.txt", "posix");
    posix.attributes = 0x81A48000u | FILE_ATTRIBUTE_ARCHIVE;
    WriteArchive(a, Make7z({ro, odd, posix}));
    ASSERT_TRUE(WriteFileBytes(d.file(L"ro.txt"), "old"));
    SetFileAttributesW(d.file(L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // Twice: the second run overwrites the read-only hidden file the first one made.
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true)")) << run;
        EXPECT_EQ("new read-only", ReadFileBytes(d.file(L"ro.txt")));
        EXPECT_EQ(ro.attributes, GetFileAttributesW(d.file(L"ro.txt").c_str()));
        EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(d.file(L"odd.txt").c_str()));
        EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(d.file(L"posix.txt").c_str()));
    }
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExW(d.file(L"ro.txt").c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(kTime, (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    SetFileAttributesW(d.file(L"ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(UnCompress7z, PerFileCallbackSeesEveryWrittenFileInArchiveOrder) {
    ScopedTempDir d(L"cb"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    Test7zEntry dir;
    dir.name = L"sub";
    dir.isDir = true;
    WriteArchive(a, Make7z({File7z(L"one.txt", "1"), dir, File7z(L"sub/two.txt", "2"), File7z(L"empty.txt", "")}));
    EXPECT_EQ("true", LuaResult1("seen = {} return Lua_UnCompress7z(A, D, true, function(p) seen[#seen + 1] = p end)"));
    std::string root = Narrow(d.path());
    EXPECT_EQ((std::vector<std::string>{root + "\\one.txt", root + "\\sub\\two.txt", root + "\\empty.txt"}),
              LuaResults("return table.unpack(seen)"));
    EXPECT_TRUE(FileExists(d.file(L"empty.txt")));
}

// Files are closed off the script's thread and handed over in order: each one closed
// (a file still open cannot be moved), all before the next failure callback.
TEST(UnCompress7z, PerFileCallbackGetsClosedFilesBeforeTheNextFailureCallback) {
    ScopedTempDir d(L"cbclosed"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    std::vector<Test7zEntry> entries;
    for (int k = 0; k < 40; ++k) entries.push_back(File7z(L"f" + std::to_wstring(k), std::string(k * 100, 'x')));
    entries.push_back(File7z(L"locked.txt", "fresh"));
    WriteArchive(a, Make7z(entries));
    Lock(d.file(L"locked.txt"));
    EXPECT_EQ("true", LuaResult1("seen = {} return Lua_UnCompress7z(A, D, true,\n"
                                 "  function(p) seen[#seen + 1] = tostring(os.rename(p, p .. '.moved')) end,\n"
                                 "  function() seen[#seen + 1] = 'locked' test_unlock() return 0 end)"));
    std::vector<std::string> expected(40, "true");
    expected.push_back("locked");
    expected.push_back("true");
    EXPECT_EQ(expected, LuaResults("return table.unpack(seen)"));
    for (int k = 0; k < 40; ++k)
        EXPECT_EQ(std::string(k * 100, 'x'), ReadFileBytes(d.file(L"f" + std::to_wstring(k) + L".moved"))) << k;
    EXPECT_EQ("fresh", ReadFileBytes(d.file(L"locked.txt.moved")));
}

TEST(UnCompress7z, CallbackReferencesAreReleasedOnEveryPath) {
    ScopedTempDir d(L"ref");
    Engine()->SetGlobalString("D", d.path());
    Engine()->SetGlobalString("M", d.file(L"missing"));
    // Functions referenced only from a weak table survive a collection only while the
    // registry holds them.
    EXPECT_EQ("0", LuaResult1("weak = setmetatable({}, {__mode = 'k'})\n"
                        "local function f() end local function g() return 0 end\n"
                        "weak[f] = true weak[g] = true\n"
                        "Lua_UnCompress7z('App.7z', D, false, f, g)\n"
                        "Lua_UnCompress7z('App.7z', M, false, f, g)\n"
                        "Lua_UnCompress7z('NoSuch', D, false, f, g)\n"
                        "f, g = nil, nil collectgarbage() collectgarbage()\n"
                        "local n = 0 for _ in pairs(weak) do n = n + 1 end return n"));
}

TEST(UnCompress7z, FailureCallbackRetriesAfterUnlock) {
    ScopedTempDir d(L"retry"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    WriteArchive(a, Make7z({File7z(L"locked.txt", "fresh"), File7z(L"next.txt", "next")}));
    Lock(d.file(L"locked.txt"));
    EXPECT_EQ("true", LuaResult1("calls = {} return Lua_UnCompress7z(A, D, true, nil, function(p, e)\n"
                           "  calls[#calls + 1] = p .. '|' .. e test_unlock() return 0 end)"));
    EXPECT_EQ((std::vector<std::string>{Narrow(d.file(L"locked.txt")) + "|32"}), LuaResults("return table.unpack(calls)"));
    EXPECT_EQ("fresh", ReadFileBytes(d.file(L"locked.txt")));
    EXPECT_EQ("next", ReadFileBytes(d.file(L"next.txt")));
}

TEST(UnCompress7z, FailureCallbackSkipIsNotAFailure) {
    ScopedTempDir d(L"skip"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    WriteArchive(a, Make7z({File7z(L"next.txt", "next"), File7z(L"locked.txt", "fresh")}));
    Lock(d.file(L"locked.txt"));
    // The skipped entry is the last one: the call still succeeds.
    EXPECT_EQ("true", LuaResult1("files = 0 return Lua_UnCompress7z(A, D, true, function() files = files + 1 end,"
                           " function() return 1 end)"));
    EXPECT_EQ("1", LuaResult1("return files"));
    EXPECT_EQ("next", ReadFileBytes(d.file(L"next.txt")));
    Unlock(nullptr);
    EXPECT_EQ("", ReadFileBytes(d.file(L"locked.txt")));
}

TEST(UnCompress7z, FailureCallbackStopAndRetryThatFailsAgainEndWithFalse) {
    ScopedTempDir d(L"stop"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    WriteArchive(a, Make7z({File7z(L"locked.txt", "fresh"), File7z(L"after.txt", "after")}));
    Lock(d.file(L"locked.txt"));
    LogCapture log;
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true, nil, function() return 2 end)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_UnCompress7z, Description: UnCompress failed.!\r\n"));
    EXPECT_EQ("false", LuaResult1("n = 0 return Lua_UnCompress7z(A, D, true, nil, function() n = n + 1 end)"));
    EXPECT_EQ("1", LuaResult1("return n"));  // nil means "try again", once
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
    EXPECT_FALSE(FileExists(d.file(L"after.txt")));
    Unlock(nullptr);
}

TEST(UnCompress7z, DamagedOrForeignArchivesFailWithoutHarm) {
    ScopedTempDir d(L"bad"), a(L"arc");
    Engine()->SetGlobalString("D", d.path());
    std::string good = ReadFileBytes(TestPath(L"payload-app.7z"));
    ASSERT_GT(good.size(), 100u);
    std::string flipped = good;
    flipped[40] = char(flipped[40] ^ 0x55);  // inside the packed data
    std::string headerCut = good.substr(0, good.size() - 10);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"header cut", headerCut},
        {"flipped data", flipped},
        {"bad crc", Make7z({File7z(L"x.txt", "data")}, true)},
        {"not 7z", "This is plain text, not an archive at all."},
        {"empty", ""},
        {"signature only", good.substr(0, 6)},
    };
    for (const auto& c : cases) {
        WriteArchive(a, c.second);
        LogCapture log;
        EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true)")) << c.first;
        EXPECT_TRUE(log.Has(L"xm Fun:Lua_UnCompress7z, Description: UnCompress failed.!\r\n")) << c.first;
    }
    EXPECT_FALSE(FileExists(d.file(L"x.txt")));
    // An empty resource is no archive either; an archive without entries is.
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z('EMPTY.7Z', D)"));
    WriteArchive(a, Make7z({}));
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
}

TEST(UnCompress7z, HostileEntryNamesNeverWriteOutsideTheDestination) {
    const wchar_t* const hostile[] = {
        L"../../x.exe", L"..\\x.exe",   L"a/../../x.exe", L"C:\\x.exe", L"C:x.exe",  L"\\\\server\\share\\x.exe",
        L"/x.exe",      L"\\x.exe",     L"ok.txt:stream", L"CON",       L"nul.txt",  L"sub/COM1",
        L"LPT9.log",    L"aux .txt",    L"..",            L"dots../x",  L"",         L"a//b.txt",
        L"wild*.txt",   L"a\x01.txt",
    };
    for (const wchar_t* name : hostile) {
        ScopedTempDir sandbox(L"hostile"), a(L"arc");
        std::wstring dest = sandbox.path() + L"\\l1\\l2\\dest";
        ASSERT_EQ(0, SHCreateDirectoryExW(nullptr, dest.c_str(), nullptr));
        Engine()->SetGlobalString("D", dest);
        WriteArchive(a, Make7z({File7z(L"before.txt", "b"), File7z(name, "evil"), File7z(L"after.txt", "a")}));
        LogCapture log;
        EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true)")) << Narrow(name);
        EXPECT_TRUE(log.Has(L"refused")) << Narrow(name);
        EXPECT_EQ(std::vector<std::wstring>{L"l1"}, List(sandbox.path())) << Narrow(name);
        EXPECT_EQ(std::vector<std::wstring>{L"l2"}, List(sandbox.path() + L"\\l1")) << Narrow(name);
        EXPECT_EQ(std::vector<std::wstring>{L"dest"}, List(sandbox.path() + L"\\l1\\l2")) << Narrow(name);
        EXPECT_EQ(std::vector<std::wstring>{L"before.txt"}, List(dest)) << Narrow(name);
        EXPECT_FALSE(FileExists(L"C:\\x.exe"));
    }
}

// Links are presented through the file operations' hook (Wine's are no reparse points):
// a name shown as a link still is the real folder or file here, so whatever went
// through it stays visible.
TEST(UnCompress7z, ExistingLinksInsideTheDestinationAreNotFollowed) {
    ScopedTempDir sandbox(L"links"), a(L"arc");
    std::wstring dest = sandbox.file(L"dest");
    for (const wchar_t* dir : {L"dest", L"dest\\dirlink", L"dest\\dedup"})
        ASSERT_TRUE(CreateDirectoryW(sandbox.file(dir).c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dest + L"\\dirlink\\victim.txt", "victim"));
    ASSERT_TRUE(WriteFileBytes(dest + L"\\filelink.txt", "victim"));
    ScopedFakeLinks links;
    links.Reparse(dest + L"\\dirlink", IO_REPARSE_TAG_MOUNT_POINT);
    links.Reparse(dest + L"\\filelink.txt", IO_REPARSE_TAG_SYMLINK);
    links.Reparse(dest + L"\\dedup", IO_REPARSE_TAG_DEDUP);
    Engine()->SetGlobalString("D", dest);
    // A folder missing behind the link is not created there either.
    for (const wchar_t* name : {L"dirlink/new.txt", L"dirlink/victim.txt", L"filelink.txt", L"dirlink/made/new.txt"}) {
        WriteArchive(a, Make7z({File7z(L"ok/first.txt", "1"), File7z(name, "evil")}));
        LogCapture log;
        EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true)")) << Narrow(name);
        EXPECT_TRUE(log.Has(L"leads through a link, refused!")) << Narrow(name);
        EXPECT_EQ(std::vector<std::wstring>{L"victim.txt"}, List(dest + L"\\dirlink")) << Narrow(name);
        EXPECT_EQ("victim", ReadFileBytes(dest + L"\\dirlink\\victim.txt")) << Narrow(name);
        EXPECT_EQ("victim", ReadFileBytes(dest + L"\\filelink.txt")) << Narrow(name);
        EXPECT_EQ("1", ReadFileBytes(dest + L"\\ok\\first.txt"));
    }
    // A deduplicated folder is an ordinary one.
    WriteArchive(a, Make7z({File7z(L"dedup/in.txt", "in")}));
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
    EXPECT_EQ("in", ReadFileBytes(dest + L"\\dedup\\in.txt"));
    // A link above the destination carries the whole payload elsewhere: nothing is written.
    links.Reparse(sandbox.path(), IO_REPARSE_TAG_SYMLINK);
    WriteArchive(a, Make7z({File7z(L"fresh.txt", "new")}));
    LogCapture log;
    EXPECT_EQ("false", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
    EXPECT_TRUE(log.Has(L"passes through the link " + sandbox.path()));
    EXPECT_FALSE(FileExists(dest + L"\\fresh.txt"));
}

// A file with another name elsewhere is replaced: the other name keeps its content.
TEST(UnCompress7z, HardLinkedFilesAreReplacedNotWrittenThrough) {
    ScopedTempDir sandbox(L"hard"), a(L"arc");
    std::wstring dest = sandbox.file(L"dest"), outside = sandbox.file(L"outside.txt");
    ASSERT_TRUE(CreateDirectoryW(dest.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(outside, "victim"));
    ASSERT_TRUE(CreateHardLinkW((dest + L"\\shared.txt").c_str(), outside.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dest + L"\\plain.txt", "old old old"));
    ScopedFakeLinks links;
    // Whether or not the system counts the names itself.
    links.HardLinks(dest + L"\\shared.txt", 2);
    Engine()->SetGlobalString("D", dest);
    WriteArchive(a, Make7z({File7z(L"shared.txt", "new"), File7z(L"plain.txt", "new")}));
    EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(A, D, true)"));
    EXPECT_EQ("new", ReadFileBytes(dest + L"\\shared.txt"));
    EXPECT_EQ("new", ReadFileBytes(dest + L"\\plain.txt"));
    EXPECT_EQ("victim", ReadFileBytes(outside));
}

TEST(ExtractResource, WritesChunksByteForByteAndPayloadsWithTheStandardSignature) {
    ScopedTempDir d(L"xres");
    Engine()->SetGlobalString("F", d.file(L"chunk.luac"));
    Engine()->SetGlobalString("P", d.file(L"app.7z"));
    EXPECT_EQ("true", LuaResult1("return Lua_ExtractResource('LUA', 'CHUNK.LUAC', F)"));
    std::string chunk = ReadFileBytes(d.file(L"chunk.luac"));
    EXPECT_EQ(ReadFileBytes(TestPath(L"CHUNK.LUAC")), chunk);
    EXPECT_EQ("\x1bLua", chunk.substr(0, 4));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ("true", LuaResult1("return Lua_ExtractResource('_7Z', 'app.7z', P)")) << round;
        std::string bytes = ReadFileBytes(d.file(L"app.7z"));
        EXPECT_EQ(std::string("7z\xBC\xAF\x27\x1C", 6), bytes.substr(0, 6)) << round;
        // The written payload is a complete archive again.
        ScopedTempDir out(L"xout");
        Engine()->SetGlobalString("D", out.path());
        EXPECT_EQ("true", LuaResult1("return Lua_UnCompress7z(P, D, true)"));
        ExpectPayload(out.path());
    }
    EXPECT_EQ("true", LuaResult1("return Lua_ExtractResource('_7Z', 7, P)"));
    EXPECT_EQ("7z", ReadFileBytes(d.file(L"app.7z")).substr(0, 2));
    // The type is compared exactly: a lower-case type finds the resource but keeps
    // the stored bytes.
    EXPECT_EQ("true", LuaResult1("return Lua_ExtractResource('_7z', 'APP.7Z', P)"));
    EXPECT_EQ("z7", ReadFileBytes(d.file(L"app.7z")).substr(0, 2));
}

TEST(ExtractResource, MissingResourceAndUncreatableFileFailWithTheirLines) {
    ScopedTempDir d(L"xmiss");
    std::wstring bad = d.file(L"no\\such\\dir\\x.bin");
    Engine()->SetGlobalString("F", d.file(L"x.bin"));
    Engine()->SetGlobalString("B", bad);
    LogCapture log;
    EXPECT_EQ("false", LuaResult1("return Lua_ExtractResource('LUA', 'NOSUCH.LUAC', F)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_ExtractResource ,LoadResource failed!\r\n"));
    EXPECT_FALSE(FileExists(d.file(L"x.bin")));
    EXPECT_EQ("false", LuaResult1("return Lua_ExtractResource('LUA', 'CHUNK.LUAC', B)"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_ExtractResource ,CreateFileW " + bad + L" failed!\r\n"));
}

TEST(UnCompress7z, ScriptErrorInACallbackEndsTheRunThroughTheErrorReport) {
    ScopedTempDir d(L"cberr");
    ORBRunOptions options;
    options.environment = {{L"ORB_T_CASE", L"callback_error"}, {L"ORB_T_DEST", d.path()},
                           {L"ORB_T_TRACE", d.file(L"trace.txt")}, {L"ORB_T_GUID", L"Local\\orb-payload-cberr"}};
    ORBRunResult r = RunProduct(L"payload_extract.exe", options);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(0u, r.exitCode);
    // A silent run: the report goes to the log, no box waits for an answer.
    EXPECT_TRUE(r.boxes.empty());
    int report = r.FindLine(L"callback boom");
    EXPECT_GE(report, 0);
    EXPECT_GT(r.FindLine(L"<call stack>", report), report);
    std::vector<std::string> trace = ReadLines(d.file(L"trace.txt"));
    ASSERT_EQ(1u, trace.size());
    EXPECT_EQ(0u, trace[0].find("file "));
}

TEST(UnCompress7z, PayloadStoredAfterTheImageUnpacksFromPlainAndSignedSetups) {
    for (const wchar_t* exe : {L"payload_appended.exe", L"payload_signed.exe"}) {
        // Not a resource: the image does not carry it.
        HMODULE image = LoadLibraryExW(TestPath(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, image) << Narrow(exe);
        EXPECT_EQ(nullptr, FindResourceW(image, L"APP.7Z", L"_7Z")) << Narrow(exe);
        FreeLibrary(image);
        ScopedTempDir d(L"appended");
        ORBRunOptions options;
        options.environment = {{L"ORB_T_CASE", L"plain"}, {L"ORB_T_DEST", d.path()},
                               {L"ORB_T_TRACE", d.file(L"trace.txt")}, {L"ORB_T_GUID", L"Local\\orb-payload-app"}};
        ORBRunResult r = RunProduct(exe, options);
        ASSERT_TRUE(r.started) << Narrow(exe);
        EXPECT_EQ(1u, r.exitCode) << Narrow(exe);
        std::vector<std::string> trace = ReadLines(d.file(L"trace.txt"));
        ASSERT_FALSE(trace.empty()) << Narrow(exe);
        EXPECT_EQ("result true", trace[0]) << Narrow(exe);
        ExpectPayload(d.path());
        DeleteFileW(d.file(L"trace.txt").c_str());
    }
}

TEST(UnCompress7z, AppendedPayloadCannotBeSwappedWhileTheSetupRuns) {
    // Swapped when the settings chunk runs, before the setup opened its own file: the
    // other payload fails the image's digest and nothing is installed. Swapped during
    // the install hook: the file is held, the rename fails, the real payload unpacks.
    for (const wchar_t* when : {L"swap the setup now", L"swap the setup again"}) {
        ScopedTempDir run(L"swaprun"), d(L"swapdest");
        std::wstring setup = run.file(L"setup.exe");
        ASSERT_TRUE(CopyFileW(TestPath(L"payload_appended.exe").c_str(), setup.c_str(), FALSE));
        bool renamed = false;
        ORBRunOptions options;
        options.environment = {{L"ORB_T_CASE", L"swap"}, {L"ORB_T_DEST", d.path()},
                               {L"ORB_T_TRACE", run.file(L"trace.txt")}, {L"ORB_T_GUID", L"Local\\orb-payload-swap"}};
        options.onLine = [&](const std::wstring& line) {
            if (line.find(when) == std::wstring::npos) return;
            renamed = MoveFileW(setup.c_str(), run.file(L"setup.old").c_str()) != 0;
            if (renamed) CopyFileW(TestPath(L"payload_other.exe").c_str(), setup.c_str(), FALSE);
        };
        options.exe = setup;
        ORBRunResult r = ORBRunSetup(options);
        ASSERT_TRUE(r.started) << Narrow(when);
        if (renamed) {
            EXPECT_EQ(0u, r.exitCode) << Narrow(when);
            EXPECT_TRUE(r.HasLine(L"missing or altered")) << Narrow(when);
            EXPECT_TRUE(List(d.path()).empty()) << Narrow(when);
            EXPECT_FALSE(FileExists(run.file(L"trace.txt"))) << Narrow(when);
        } else {
            EXPECT_EQ(1u, r.exitCode) << Narrow(when);
            ExpectPayload(d.path());
        }
        EXPECT_EQ(when == std::wstring(L"swap the setup now"), renamed) << Narrow(when);
    }
}
