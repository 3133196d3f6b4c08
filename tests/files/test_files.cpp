// File and directory functions through the script functions, and the delete dialog
// end to end.
#include <shlobj.h>
#include <sddl.h>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbfileops.h"
#include "orbhosttext.h"
#include "orbfoldersecurity.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbtestlinks.h"
#include "orbtestlua.h"
#include "orbtestutil.h"

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }

void Set(const char* name, const std::wstring& value) { Engine()->SetGlobalString(name, value); }

std::wstring NotExists(const wchar_t* fn, const std::wstring& path) {
    return L"xm Fun:" + std::wstring(fn) + L", Description:" + path + L" it's not exists!\r\n";
}

// A file held open without delete sharing, so it cannot be deleted.
struct HeldFile {
    HANDLE h;
    explicit HeldFile(const std::wstring& path)
        : h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { Close(); }
    void Close() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
};

std::vector<int> g_answers;
int g_asked = 0;
int Ask(const std::wstring& path) {
    EXPECT_FALSE(path.empty());
    return g_asked < int(g_answers.size()) ? g_answers[g_asked++] : IDIGNORE;
}

}  // namespace

TEST(FileFunctions, CreateDirectoryMakesMissingParentsAndLogsOnlyWhenItCreates) {
    ScopedTempDir d(L"mkdir");
    std::wstring deep = d.file(L"a\\b\\c");
    Set("E", d.path());
    Set("P", deep);
    LogCapture log;
    EXPECT_EQ("true", LuaResult1("return Lua_CreateDirectory(E)"));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ("true", LuaResult1("return Lua_CreateDirectory(P)"));
    EXPECT_TRUE(log.Has(L"xm Create Directory " + deep + L"!\r\n"));
    EXPECT_TRUE(GetFileAttributesW(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    // A file in the way: the directory cannot exist afterwards.
    ASSERT_TRUE(WriteFileBytes(d.file(L"f"), "x"));
    Set("F", d.file(L"f\\sub"));
    EXPECT_EQ("false", LuaResult1("return Lua_CreateDirectory(F)"));
    EXPECT_TRUE(log.Has(NotExists(L"Lua_CreateDirectory", d.file(L"f\\sub"))));
}

TEST(FileFunctions, CopyAndMoveNeedAnExistingSourceWildcardsCountAsMissing) {
    ScopedTempDir d(L"copy");
    ASSERT_TRUE(WriteFileBytes(d.file(L"a.txt"), "alpha"));
    Set("S", d.file(L"a.txt"));
    Set("W", d.file(L"*.txt"));
    Set("T", d.file(L"b.txt"));
    LogCapture log;
    EXPECT_EQ("false", LuaResult1("return Lua_CopyFile(W, T)"));
    EXPECT_TRUE(log.Has(NotExists(L"Lua_CopyFile", d.file(L"*.txt"))));
    EXPECT_EQ("false", LuaResult1("return Lua_MoveFile(W, T)"));
    EXPECT_TRUE(log.Has(NotExists(L"Lua_MoveFile", d.file(L"*.txt"))));
    EXPECT_FALSE(FileExists(d.file(L"b.txt")));
    EXPECT_EQ("true", LuaResult1("return Lua_CopyFile(S, T)"));
    EXPECT_TRUE(log.Has(L"xm Copy " + d.file(L"a.txt") + L" to " + d.file(L"b.txt") + L" !"));
    EXPECT_EQ("alpha", ReadFileBytes(d.file(L"b.txt")));
}

TEST(FileFunctions, CopyAndMoveTakeWholeTrees) {
    ScopedTempDir d(L"tree");
    ASSERT_TRUE(CreateDirectoryW(d.file(L"src").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(d.file(L"src\\in").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(d.file(L"src\\in\\x.txt"), "x"));
    SetEnvironmentVariableW(L"ORB_T_TREE", d.path().c_str());
    EXPECT_EQ("true", LuaResult1("return Lua_CopyFile('%ORB_T_TREE%\\\\src', '%ORB_T_TREE%\\\\copy')"));
    EXPECT_EQ("x", ReadFileBytes(d.file(L"copy\\in\\x.txt")));
    LogCapture log;
    EXPECT_EQ("true", LuaResult1("return Lua_MoveFile('%ORB_T_TREE%\\\\src', '%ORB_T_TREE%\\\\moved')"));
    EXPECT_TRUE(log.Has(L"xm Move " + d.file(L"src") + L" to " + d.file(L"moved") + L" !"));
    EXPECT_EQ("x", ReadFileBytes(d.file(L"moved\\in\\x.txt")));
    EXPECT_FALSE(FileExists(d.file(L"src")));
}

namespace {
std::vector<FILEOP_FLAGS> g_flags;
int WINAPI RecordOperation(SHFILEOPSTRUCTW* op) {
    g_flags.push_back(op->fFlags);
    return 0;
}
}  // namespace

// The shell's own error windows would wait for somebody in a silent or passive run.
TEST(FileFunctions, UnattendedCopiesAndMovesAskTheShellForNoErrorWindows) {
    ScopedTempDir d(L"noui");
    ASSERT_TRUE(WriteFileBytes(d.file(L"a.txt"), "a"));
    Set("A", d.file(L"a.txt"));
    Set("B", d.file(L"b.txt"));
    g_flags.clear();
    g_orbShFileOperation = RecordOperation;
    std::string error = RunLua("global_silent_install = true; Lua_CopyFile(A, B); Lua_MoveFile(A, B);"
                               "global_silent_install = false; global_passive_install = true; Lua_CopyFile(A, B);"
                               "Lua_MoveFile(A, B); global_passive_install = false; Lua_CopyFile(A, B); Lua_MoveFile(A, B)");
    g_orbShFileOperation = SHFileOperationW;
    ASSERT_EQ("", error);
    ASSERT_EQ(6u, g_flags.size());
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(i < 4, (g_flags[i] & FOF_NOERRORUI) != 0) << i;
}

TEST(FileFunctions, RenameReplacesAnExistingTarget) {
    ScopedTempDir d(L"ren");
    ASSERT_TRUE(WriteFileBytes(d.file(L"new.dll"), "new"));
    ASSERT_TRUE(WriteFileBytes(d.file(L"app.dll"), "old"));
    Set("A", d.file(L"new.dll"));
    Set("B", d.file(L"app.dll"));
    LogCapture log;
    EXPECT_EQ("true", LuaResult1("return Lua_RenameFile(A, B)"));
    EXPECT_TRUE(log.Has(L"xm MoveFile " + d.file(L"new.dll") + L" to " + d.file(L"app.dll") + L" !"));
    EXPECT_EQ("new", ReadFileBytes(d.file(L"app.dll")));
    EXPECT_FALSE(FileExists(d.file(L"new.dll")));
    EXPECT_EQ("false", LuaResult1("return Lua_RenameFile(A, B)"));
    EXPECT_TRUE(log.Has(NotExists(L"Lua_RenameFile", d.file(L"new.dll"))));
}

TEST(FileFunctions, DeleteFileAsksOnlyWhenTheDeletionFails) {
    ScopedTempDir d(L"del");
    ASSERT_TRUE(CreateDirectoryW(d.file(L"tree").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(d.file(L"tree\\x.txt"), "x"));
    ASSERT_TRUE(WriteFileBytes(d.file(L"held.txt"), "h"));
    g_asked = 0;
    EXPECT_TRUE(ORBDeleteFile(d.file(L"missing"), Ask));
    EXPECT_TRUE(ORBDeleteFile(d.file(L"tree"), Ask));
    EXPECT_FALSE(FileExists(d.file(L"tree")));
    EXPECT_EQ(0, g_asked);

    HeldFile held(d.file(L"held.txt"));
    LogCapture log;
    g_answers = {IDRETRY, IDRETRY, IDIGNORE};
    g_asked = 0;
    EXPECT_TRUE(ORBDeleteFile(d.file(L"held.txt"), Ask));
    EXPECT_EQ(3, g_asked);
    EXPECT_TRUE(log.Has(L"xm Delete " + d.file(L"held.txt") + L" failed!\r\n"));
    EXPECT_TRUE(log.Has(L"xm SHFileOperation error code : 0x"));
    // A failed dialog on the first round is a failure.
    g_answers = {0};
    g_asked = 0;
    EXPECT_FALSE(ORBDeleteFile(d.file(L"held.txt"), Ask));
    held.Close();
}

TEST(FileFunctions, DelFileRecursiveRemovesReadOnlyAndHiddenContentAndReturnsNothing) {
    ScopedTempDir d(L"rec");
    std::wstring root = d.file(L"app");
    ASSERT_EQ(0, SHCreateDirectoryExW(nullptr, (root + L"\\sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(root + L"\\ro.txt", "r"));
    ASSERT_TRUE(WriteFileBytes(root + L"\\sub\\hidden.txt", "h"));
    ASSERT_TRUE(WriteFileBytes(root + L"\\sub\\deeper\\x", "x"));
    SetFileAttributesW((root + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((root + L"\\sub\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteFileBytes(d.file(L"single.txt"), "s"));
    Set("R", root);
    Set("F", d.file(L"single.txt"));
    LogCapture log;
    EXPECT_EQ((std::vector<std::string>{"true"}), LuaResults("return Lua_DelFileRecursive(R .. '-missing')"));
    EXPECT_EQ(std::vector<std::string>{}, LuaResults("return Lua_DelFileRecursive(R, 'ignored')"));
    EXPECT_FALSE(FileExists(root));
    EXPECT_TRUE(log.Has(L"xm PathIsDirectoryW"));
    EXPECT_TRUE(log.Has(L"xm ORBScriptEngine::DeleteDirectories " + root));
    EXPECT_EQ(std::vector<std::string>{}, LuaResults("return Lua_DelFileRecursive(F)"));
    EXPECT_FALSE(FileExists(d.file(L"single.txt")));
    EXPECT_TRUE(log.Has(L"xm Path is file!"));
    EXPECT_TRUE(log.Has(L"xm Lua_DelFileRecursive"));
}

TEST(FileFunctions, RemoveDirectoryTakesOnlyEmptyFolders) {
    ScopedTempDir d(L"rmdir");
    std::wstring full = d.file(L"full"), empty = d.file(L"full\\empty");
    ASSERT_EQ(0, SHCreateDirectoryExW(nullptr, empty.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(full + L"\\kept.txt", "k"));
    Set("D", d.path());
    SetEnvironmentVariableW(L"ORB_T_RMDIR", d.path().c_str());
    // An uninstaller removes the folders it made, bottom up, and keeps anything a user saved.
    EXPECT_EQ("true", LuaResult1("return Lua_RemoveDirectory('%ORB_T_RMDIR%\\\\full\\\\empty')"));
    EXPECT_FALSE(FileExists(empty));
    EXPECT_EQ("false", LuaResult1("return Lua_RemoveDirectory(D .. '\\\\full')"));
    EXPECT_TRUE(FileExists(full + L"\\kept.txt"));
    EXPECT_EQ("false", LuaResult1("return Lua_RemoveDirectory(D .. '\\\\full\\\\kept.txt')"));
    EXPECT_TRUE(FileExists(full + L"\\kept.txt"));
    EXPECT_EQ("true", LuaResult1("return Lua_RemoveDirectory(D .. '\\\\missing')"));
    EXPECT_EQ("false", LuaResult1("return Lua_RemoveDirectory()"));
}

TEST(FileFunctions, DeleteDirectoriesLeavesTheCurrentDirectoryAndTakesDeepTrees) {
    ScopedTempDir d(L"cwd");
    std::wstring dir = d.file(L"here");
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir + L"\\f.txt", "f"));
    std::vector<wchar_t> saved(GetCurrentDirectoryW(0, nullptr));
    GetCurrentDirectoryW(DWORD(saved.size()), saved.data());
    ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
    ORBDeleteDirectories(dir);
    std::vector<wchar_t> now(GetCurrentDirectoryW(0, nullptr));
    GetCurrentDirectoryW(DWORD(now.size()), now.data());
    SetCurrentDirectoryW(saved.data());
    EXPECT_FALSE(FileExists(dir));
    EXPECT_EQ(0, lstrcmpiW(d.path().c_str(), now.data())) << Narrow(now.data());

    // Deeper than 260 units: everything goes.
    std::wstring deep = d.file(L"deep");
    std::wstring p = deep;
    ASSERT_TRUE(CreateDirectoryW(p.c_str(), nullptr));
    while (p.size() < 400) {
        p += L"\\" + std::wstring(50, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + p).c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(L"\\\\?\\" + p + L"\\file.txt", "x"));
    }
    ORBDeleteDirectories(deep);
    EXPECT_FALSE(FileExists(deep));
}

// Links are presented through the file operations' hook: a folder that shows as a link
// still holds its content here, so what a deletion followed stays visible.
TEST(FileLinks, DeletionsRemoveLinksThemselvesAndRefusePathsThroughThem) {
    ScopedTempDir d(L"link");
    std::wstring tree = d.file(L"tree");
    for (const wchar_t* dir : {L"tree", L"tree\\link", L"tree\\dedup", L"tree\\cloud", L"via", L"via\\sub"})
        ASSERT_TRUE(CreateDirectoryW(d.file(dir).c_str(), nullptr));
    for (const wchar_t* file : {L"tree\\link\\keep.txt", L"tree\\dedup\\a.txt", L"tree\\cloud\\b.txt",
                                L"tree\\filelink.txt", L"via\\sub\\keep.txt"})
        ASSERT_TRUE(WriteFileBytes(d.file(file), "keep"));
    ScopedFakeLinks links;
    links.Reparse(d.file(L"tree\\link"), IO_REPARSE_TAG_MOUNT_POINT);
    links.Reparse(d.file(L"tree\\filelink.txt"), IO_REPARSE_TAG_SYMLINK);
    // Deduplicated and cloud-placeholder folders are ordinary folders.
    links.Reparse(d.file(L"tree\\dedup"), IO_REPARSE_TAG_DEDUP);
    links.Reparse(d.file(L"tree\\cloud"), IO_REPARSE_TAG_CLOUD_6);
    links.Reparse(d.file(L"via"), IO_REPARSE_TAG_SYMLINK);

    ORBDeleteDirectories(tree);
    // The junction was not followed (it is only removed itself, which a real one allows).
    EXPECT_EQ("keep", ReadFileBytes(d.file(L"tree\\link\\keep.txt")));
    EXPECT_FALSE(FileExists(d.file(L"tree\\filelink.txt")));
    EXPECT_FALSE(FileExists(d.file(L"tree\\dedup")));
    EXPECT_FALSE(FileExists(d.file(L"tree\\cloud")));

    // A link on the way: nothing goes, whichever function is asked.
    LogCapture log;
    Set("V", d.file(L"via\\sub"));
    EXPECT_EQ(std::vector<std::string>{}, LuaResults("return Lua_DelFileRecursive(V)"));
    ORBDeleteDirectories(d.file(L"via\\sub"));
    EXPECT_EQ("keep", ReadFileBytes(d.file(L"via\\sub\\keep.txt")));
    EXPECT_TRUE(log.Has(L"passes through the link " + d.file(L"via")));
    ASSERT_TRUE(DeleteFileW(d.file(L"via\\sub\\keep.txt").c_str()));
    EXPECT_EQ("false", LuaResult1("return Lua_RemoveDirectory(V)"));
    EXPECT_TRUE(FileExists(d.file(L"via\\sub")));
    // A link named itself goes, never its target's content.
    Set("L", d.file(L"tree\\link"));
    LuaResults("return Lua_DelFileRecursive(L)");
    EXPECT_EQ("keep", ReadFileBytes(d.file(L"tree\\link\\keep.txt")));
}

// Wine keeps no permissions: the decisions are tried on descriptors written out.
TEST(FolderSecurity, OnlyFoldersNoOrdinaryUserMayChangeAreAccepted) {
    const std::wstring secure = L"O:BA" + std::wstring(kORBSecureFolderSddl);
    const struct {
        std::wstring sddl;
        bool usersMayWrite;
    } cases[] = {
        {secure, false},                                                             // what the setup makes
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", true},   // users may modify
        {L"O:SYD:(A;;0x4;;;AU)(A;OICIIO;GA;;;CO)(A;;FA;;;BA)", true},               // a drive root: users add folders
        {L"O:BAD:(A;OICIIO;GA;;;CO)(A;;FA;;;BA)(A;;0x1200a9;;;WD)", false},         // handed down only; read for all
        {L"O:S-1-5-21-1-2-3-1001D:P(A;;FA;;;BA)", true},                            // a user made it first
        {L"O:BAD:P(A;;FA;;;BA)(A;;FA;;;S-1-5-21-1-2-3-1001)", true},                // one user may change it
    };
    for (const auto& c : cases) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
            << Narrow(c.sddl);
        EXPECT_EQ(c.usersMayWrite, ORBDescriptorLetsUsersWrite(sd, nullptr)) << Narrow(c.sddl);
        LocalFree(sd);
    }
    // No permission list at all (as on FAT drives): everybody may do everything.
    SECURITY_DESCRIPTOR open;
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    std::vector<BYTE> admins(SECURITY_MAX_SID_SIZE);
    DWORD size = DWORD(admins.size());
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins.data(), &size));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&open, admins.data(), FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_TRUE(ORBDescriptorLetsUsersWrite(&open, nullptr));
    // The secure folder and its missing parents are made; the functions reach scripts.
    ScopedTempDir d(L"secure");
    Set("S", d.file(L"a\\b"));
    EXPECT_EQ("nil", LuaResult1("return Lua_UsersCanWrite(S)"));
    EXPECT_EQ("true", LuaResult1("return Lua_CreateSecureDirectory(S)"));
    EXPECT_TRUE(GetFileAttributesW(d.file(L"a\\b").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE("nil", LuaResult1("return Lua_UsersCanWrite(S)"));
    // A folder shown as a link is somebody's to redirect.
    ScopedFakeLinks links;
    links.Reparse(d.file(L"a\\b"), IO_REPARSE_TAG_MOUNT_POINT);
    EXPECT_EQ("true", LuaResult1("return Lua_UsersCanWrite(S)"));
}

TEST(FileFunctions, TempFileNamesAreUniqueAndCreated) {
    ScopedTempDir d(L"tmpn");
    Set("D", d.path());
    std::vector<std::string> r = LuaResults("return Lua_GetTempFileName(D, 'orbx'), Lua_GetTempFileName(D, 'orbx')");
    ASSERT_EQ(2u, r.size());
    EXPECT_NE(r[0], r[1]);
    for (const std::string& path : r) {
        std::wstring w = ORBUtf8ToWide(path);
        EXPECT_TRUE(FileExists(w)) << path;
        EXPECT_EQ("", ReadFileBytes(w));
        EXPECT_EQ(0u, w.find(d.path() + L"\\orb")) << path;
    }
    EXPECT_EQ("nil", LuaResult1("return Lua_GetTempFileName(D .. '\\\\missing', 'x')"));
}

TEST(FileFunctions, ExpandEnvUsesTheLastArgumentAndNeverTruncates) {
    std::wstring longValue(600, L'v');
    SetEnvironmentVariableW(L"ORB_T_LONG", longValue.c_str());
    SetEnvironmentVariableW(L"ORB_T_SHORT", L"安装");
    EXPECT_EQ("C:\\plain\\text 100%", LuaResult1("return Lua_ExpandEnv('C:\\\\plain\\\\text 100%')"));
    EXPECT_EQ("安装\\", LuaResult1("return Lua_ExpandEnv('ignored', '%ORB_T_SHORT%\\\\')"));
    EXPECT_EQ(Narrow(longValue) + "\\x", LuaResult1("return Lua_ExpandEnv('%ORB_T_LONG%\\\\x')"));
    EXPECT_EQ("%ORB_T_UNSET_VARIABLE%", LuaResult1("return Lua_ExpandEnv('%ORB_T_UNSET_VARIABLE%')"));
    EXPECT_EQ("", LuaResult1("return Lua_ExpandEnv()"));
    // Beyond the system call's 32,767 units: the whole text, references expanded.
    EXPECT_EQ(std::string(40000, 'a') + "安装",
              LuaResult1("return Lua_ExpandEnv(string.rep('a', 40000) .. '%ORB_T_SHORT%')"));
}

TEST(FileFunctions, DeleteAfterRebootOfAMissingPathIsDone) {
    ScopedTempDir d(L"reboot");
    Set("M", d.file(L"missing"));
    LogCapture log;
    EXPECT_EQ("true", LuaResult1("return Lua_DeleteFileAfterReboot(M)"));
    EXPECT_TRUE(log.Has(L"xm Lua_DeleteFileAfterReboot"));
}

namespace {

TEST(FileFunctions, DeleteAnswersWhatIsOnDiskNotWhatTheShellSays) {
    // A file another process holds with delete sharing: the shell may report it deleted
    // while its name is still there until that handle closes.
    ScopedTempDir d(L"delpend");
    std::wstring path = d.file(L"pending.txt");
    ASSERT_TRUE(WriteFileBytes(path, "p"));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    bool unattended = ORBDeleteFileUnattended(path, 1, 0);
    EXPECT_EQ(!FileExists(path), unattended);
    g_answers = {0};
    g_asked = 0;
    bool asked = ORBDeleteFile(path, Ask);
    EXPECT_EQ(!FileExists(path), asked);
    CloseHandle(h);
}

struct DeleteRun {
    ORBRunResult result;
    std::vector<std::string> trace;
};

DeleteRun RunDelete(const std::wstring& path, ORBRunOptions options) {
    ScopedTempDir t(L"deltrace");
    static int n = 0;
    options.environment.insert(options.environment.end(), {{L"ORB_T_PATH", path},
                           {L"ORB_T_TRACE", t.file(L"trace.txt")},
                           {L"ORB_T_GUID", L"Local\\orb-files-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                               std::to_wstring(++n)}});
    DeleteRun run;
    run.result = RunProduct(L"files_delete.exe", options);
    run.trace = ReadLines(t.file(L"trace.txt"));
    return run;
}

}  // namespace

TEST(DeleteDialog, RetryThenIgnoreReturnsTrueAndLogsTheFailure) {
    ScopedTempDir d(L"dlg");
    std::wstring path = d.file(L"held.txt");
    ASSERT_TRUE(WriteFileBytes(path, "h"));
    HeldFile held(path);
    ORBRunOptions options;
    options.answers = {IDRETRY, IDIGNORE};
    DeleteRun run = RunDelete(path, options);
    ASSERT_TRUE(run.result.started);
    EXPECT_EQ(1u, run.result.exitCode);
    ASSERT_EQ(2u, run.result.boxes.size());
    ORBScriptEngine::GetInstance()->SetGlobalString("global_language", L"zh-CN");  // as the product's
    for (const ORBMessageBoxSeen& box : run.result.boxes) {
        EXPECT_EQ(L"提示", box.caption);
        EXPECT_EQ(ORBDeleteFailedText(path), box.text);
    }
    EXPECT_EQ((std::vector<std::string>{"result true", "AfterComplete"}), run.trace);
    EXPECT_TRUE(run.result.HasLine(L"xm Delete " + path + L" failed!\r\n"));
    EXPECT_TRUE(run.result.HasLine(L"xm SHFileOperation error code : 0x"));
    EXPECT_TRUE(FileExists(path));
}

TEST(DeleteDialog, RetryAfterTheFileIsFreedDeletesIt) {
    ScopedTempDir d(L"dlg");
    std::wstring path = d.file(L"held.txt");
    ASSERT_TRUE(WriteFileBytes(path, "h"));
    HeldFile held(path);
    ORBRunOptions options;
    options.answerBox = [&](const std::wstring&, const std::wstring&) {
        held.Close();
        return IDRETRY;
    };
    DeleteRun run = RunDelete(path, options);
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ(1u, run.result.boxes.size());
    EXPECT_EQ((std::vector<std::string>{"result true", "AfterComplete"}), run.trace);
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(run.result.HasLine(L"failed!"));
}

TEST(DeleteDialog, AbortEndsTheRunAtOnceAsCancelled) {
    ScopedTempDir d(L"dlg");
    std::wstring path = d.file(L"held.txt");
    ASSERT_TRUE(WriteFileBytes(path, "h"));
    HeldFile held(path);
    for (bool standard : {false, true}) {
        ORBRunOptions options;
        options.answers = {IDABORT};
        if (standard) options.environment = {{L"ORB_T_STANDARD", L"1"}};
        DeleteRun run = RunDelete(path, options);
        EXPECT_EQ(standard ? 1602u : 0u, run.result.exitCode);
        EXPECT_EQ(1u, run.result.boxes.size());
        EXPECT_TRUE(run.trace.empty());
    }
}

// Nobody can answer in an unattended run: a few tries over about two seconds, then false
// with the failure lines; the run goes on and the file stays.
TEST(DeleteDialog, AnUnattendedRunRetriesBrieflyThenReturnsFalseWithoutAsking) {
    ScopedTempDir d(L"dlg");
    std::wstring path = d.file(L"held.txt");
    ASSERT_TRUE(WriteFileBytes(path, "h"));
    HeldFile held(path);
    // Passive runs and suppressed boxes ask nobody either, nor does Lua_MsgBox (the
    // default button, Yes, answers).
    for (const wchar_t* mode : {L"ORB_T_SILENT", L"ORB_T_PASSIVE", L"ORB_T_SUPPRESS"}) {
        ORBRunOptions options;
        options.environment = {{mode, L"1"}};
        ULONGLONG start = GetTickCount64();
        DeleteRun run = RunDelete(path, options);
        ULONGLONG took = GetTickCount64() - start;
        EXPECT_EQ(1u, run.result.exitCode) << Narrow(mode);
        EXPECT_TRUE(run.result.boxes.empty()) << Narrow(mode);
        EXPECT_EQ((std::vector<std::string>{"box 6", "result false", "AfterComplete"}), run.trace) << Narrow(mode);
        EXPECT_TRUE(run.result.HasLine(L"xm Delete " + path + L" failed!\r\n")) << Narrow(mode);
        EXPECT_TRUE(FileExists(path));
        EXPECT_GE(took, 2000u) << Narrow(mode);  // it did wait for the file before giving up
    }
}
