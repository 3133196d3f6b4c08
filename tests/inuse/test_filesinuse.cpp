// The files-in-use functions in process: who holds a file through a Restart Manager the
// test stands in for (missing, answering nothing, answering a list), closing and
// restarting, and moves scheduled for the next start.
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "holderutil.h"
#include "orbchoicebox.h"
#include "orbpendingrename.h"
#include "orbrestartmanager.h"
#include "orbtestlua.h"
#include "orbtestutil.h"

namespace {

// A Restart Manager that records what it is asked and lists `listed`.
struct FakeRm {
    std::vector<std::wstring> registered;
    std::vector<RM_PROCESS_INFO> listed;
    ULONG shutdownFlags = 0xFFFF;
    DWORD shutdownAnswer = ERROR_SUCCESS;
    DWORD restartAnswer = ERROR_SUCCESS;
    int restarts = 0, ended = 0, shutdowns = 0;
};
FakeRm* g_fake = nullptr;

DWORD WINAPI FakeStart(DWORD* session, DWORD, WCHAR key[]) {
    *session = 7;
    key[0] = L'\0';
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeEnd(DWORD session) {
    if (session == 7) ++g_fake->ended;
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeRegister(DWORD, UINT n, LPCWSTR files[], UINT, RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]) {
    for (UINT i = 0; i < n; ++i) g_fake->registered.push_back(files[i]);
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeList(DWORD, UINT* needed, UINT* count, RM_PROCESS_INFO apps[], LPDWORD reasons) {
    *reasons = 0;
    *needed = static_cast<UINT>(g_fake->listed.size());
    if (*count < *needed) {
        *count = 0;
        return *needed ? ERROR_MORE_DATA : ERROR_SUCCESS;
    }
    for (UINT i = 0; i < *needed; ++i) apps[i] = g_fake->listed[i];
    *count = *needed;
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeShutdown(DWORD, ULONG flags, RM_WRITE_STATUS_CALLBACK) {
    ++g_fake->shutdowns;
    g_fake->shutdownFlags = flags;
    return g_fake->shutdownAnswer;
}
DWORD WINAPI FakeRestart(DWORD session, DWORD, RM_WRITE_STATUS_CALLBACK) {
    if (session == 7) ++g_fake->restarts;
    return g_fake->restartAnswer;
}
const ORBRmApi kFakeApi = {FakeStart, FakeEnd, FakeRegister, FakeList, FakeShutdown, FakeRestart};
const ORBRmApi* FakeLoader() { return &kFakeApi; }
const ORBRmApi* MissingLoader() { return nullptr; }

RM_PROCESS_INFO App(DWORD pid, const wchar_t* name, RM_APP_TYPE type, bool restartable) {
    RM_PROCESS_INFO p = {};
    p.Process.dwProcessId = pid;
    wcsncpy(p.strAppName, name, CCH_RM_MAX_APP_NAME);
    p.ApplicationType = type;
    p.bRestartable = restartable;
    return p;
}

std::string Utf8(const std::wstring& s) { return Narrow(s); }

// Lua list of paths.
std::string LuaList(const std::vector<std::wstring>& paths) {
    std::string out = "{";
    for (const std::wstring& p : paths) {
        std::string s = Utf8(p);
        std::string quoted;
        for (char c : s) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
        out += "\"" + quoted + "\",";
    }
    return out + "}";
}

class FileUsers : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_orbRmLoader;
        g_fake = &fake_;
        file_ = dir_.file(L"data.txt");
        ASSERT_TRUE(WriteFileBytes(file_, "data"));
    }
    void TearDown() override {
        g_orbRmLoader = saved_;
        g_fake = nullptr;
    }
    ORBRmLoaderFn saved_ = nullptr;
    FakeRm fake_;
    ScopedTempDir dir_{L"inuse"};
    std::wstring file_;
};

// Without a Restart Manager (or one that lists nobody, as Wine's does) the programs
// running from the files' folder are the holders, and closing asks them to close.
TEST_F(FileUsers, WithoutAnAnsweringRestartManagerTheProgramsInTheFilesFolderAreFound) {
    for (ORBRmLoaderFn loader : {MissingLoader, FakeLoader}) {
        g_orbRmLoader = loader;
        Holder holder(CopyHolderTo(dir_.path()), file_, L"exclusive");
        ASSERT_TRUE(holder.Running());
        std::string files = LuaList({file_, dir_.file(L"missing.txt")});
        std::vector<std::string> r = LuaResults("local u, how = Lua_FindFileUsers(" + files +
                                                ") return #u, how, u[1] and u[1].pid, u[1] and u[1].name,"
                                                " u[1] and u[1].kind, u[1] and u[1].restartable");
        ASSERT_EQ(6u, r.size());
        EXPECT_EQ("1", r[0]);
        EXPECT_EQ("imagepath", r[1]);
        EXPECT_EQ(std::to_string(holder.pid()), r[2]);
        EXPECT_EQ("orbholder.exe", r[3]);
        EXPECT_EQ("window", r[4]);
        EXPECT_EQ("false", r[5]);
        // A file elsewhere has no holder there; nothing at all is an empty list.
        ScopedTempDir elsewhere(L"inuse2");
        ASSERT_TRUE(WriteFileBytes(elsewhere.file(L"x.txt"), "x"));
        EXPECT_EQ("0", LuaResult1("return #Lua_FindFileUsers(" + LuaList({elsewhere.file(L"x.txt")}) + ")"));
        std::vector<std::string> c = LuaResults("return Lua_CloseFileUsers(" + files + ")");
        EXPECT_EQ((std::vector<std::string>{"true", "1", "imagepath"}), c);
        EXPECT_TRUE(holder.Ends(5000));
        EXPECT_EQ("true", LuaResult1("return Lua_RestartFileUsers()"));  // nothing to restart
        EXPECT_EQ(0, fake_.shutdowns);
    }
}

// One that ignores being asked stays, and the answer says so; with force it is ended.
TEST_F(FileUsers, FallbackEndsAProgramThatDoesNotCloseOnlyWithForce) {
    g_orbRmLoader = MissingLoader;
    Holder holder(CopyHolderTo(dir_.path()), file_, L"exclusive", true);
    ASSERT_TRUE(holder.Running());
    std::string files = LuaList({file_});
    EXPECT_EQ("false", LuaResult1("return Lua_CloseFileUsers(" + files + ", false)"));
    EXPECT_TRUE(holder.Running());
    EXPECT_EQ("true", LuaResult1("return Lua_CloseFileUsers(" + files + ", true)"));
    EXPECT_TRUE(holder.Ends(1000));
}

// The Restart Manager's list is used as it answers; the existing files alone are
// registered; shutdown is forced only when asked; the restart uses the same session.
TEST_F(FileUsers, TheRestartManagersListShutdownAndRestartAreUsed) {
    g_orbRmLoader = FakeLoader;
    fake_.listed = {App(4242, L"Fake Editor", RmMainWindow, true), App(GetCurrentProcessId(), L"Me", RmConsole, false),
                    App(4343, L"Fake Service", RmService, false)};
    std::string files = LuaList({file_, dir_.file(L"missing.txt")});
    std::vector<std::string> r = LuaResults("local u, how = Lua_FindFileUsers(" + files +
                                            ") return #u, how, u[1].pid, u[1].name, u[1].kind, u[1].restartable,"
                                            " u[2].kind");
    EXPECT_EQ((std::vector<std::string>{"2", "restartmanager", "4242", "Fake Editor", "window", "true", "service"}), r);
    ASSERT_EQ(1u, fake_.registered.size());
    EXPECT_EQ(0, lstrcmpiW(file_.c_str(), fake_.registered[0].c_str()));
    EXPECT_EQ(1, fake_.ended);

    EXPECT_EQ((std::vector<std::string>{"true", "2", "restartmanager"}),
              LuaResults("return Lua_CloseFileUsers(" + files + ")"));
    EXPECT_EQ(0u, fake_.shutdownFlags);
    EXPECT_EQ(1, fake_.ended);  // kept for the restart
    EXPECT_EQ("true", LuaResult1("return Lua_RestartFileUsers()"));
    EXPECT_EQ(1, fake_.restarts);
    EXPECT_EQ(2, fake_.ended);
    EXPECT_EQ("true", LuaResult1("return Lua_RestartFileUsers()"));  // no session left
    EXPECT_EQ(1, fake_.restarts);

    fake_.shutdownAnswer = 351;  // ERROR_FAIL_SHUTDOWN
    fake_.restartAnswer = 352;  // ERROR_FAIL_RESTART
    EXPECT_EQ("false", LuaResult1("return Lua_CloseFileUsers(" + files + ", true)"));
    EXPECT_EQ(static_cast<ULONG>(RmForceShutdown), fake_.shutdownFlags);
    EXPECT_EQ("false", LuaResult1("return Lua_RestartFileUsers()"));
}

// Nothing to ask about: no session is started.
TEST_F(FileUsers, MissingFilesAskNobody) {
    g_orbRmLoader = FakeLoader;
    EXPECT_EQ("0", LuaResult1("return #Lua_FindFileUsers(" + LuaList({dir_.file(L"none.txt")}) + ")"));
    EXPECT_EQ((std::vector<std::string>{"true", "0", "imagepath"}), LuaResults("return Lua_CloseFileUsers(nil)"));
    EXPECT_TRUE(fake_.registered.empty());
}

// Nobody may be asked in a silent run: no box, no answer.
TEST_F(FileUsers, AskingInASilentRunShowsNothing) {
    EXPECT_EQ("nil", LuaResult1("global_silent_install = true local a = Lua_AskFileUsers('t', 'c', 'x', 'y', 'z')"
                                " global_silent_install = nil return tostring(a)"));
}

// Reads the three buttons of the box "Choice test" into p (three strings) and presses Continue.
DWORD WINAPI AnswerChoiceBox(void* p) {
    auto* out = static_cast<std::wstring*>(p);
    for (int i = 0; i < 200; ++i) {
        HWND box = FindWindowW(L"#32770", L"Choice test");
        if (box && GetDlgItem(box, IDCONTINUE)) {
            const int ids[3] = {IDCONTINUE, IDTRYAGAIN, IDCANCEL};
            for (int k = 0; k < 3; ++k) {
                wchar_t text[128] = {};
                GetDlgItemTextW(box, ids[k], text, 128);
                out[k] = text;
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCONTINUE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDCONTINUE)));
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

// The question's buttons carry the setup's words; Continue is the first answer.
TEST(ChoiceBox, ButtonsCarryTheGivenLabels) {
    std::wstring labels[3];
    HANDLE thread = CreateThread(nullptr, 0, AnswerChoiceBox, labels, 0, nullptr);
    ASSERT_TRUE(thread);
    ORBHandle owner(thread);
    int answer = ORBChoiceBox(L"Programs use the files", L"Choice test", L"Close them and continue", L"Retry",
                              L"Cancel");
    WaitForSingleObject(owner.get(), 15000);
    EXPECT_EQ(IDCONTINUE, answer);
    EXPECT_EQ(L"Close them and continue", labels[0]);
    EXPECT_EQ(L"Retry", labels[1]);
    EXPECT_EQ(L"Cancel", labels[2]);
}

// Moves and deletions for the next start land in the list Windows reads then, with the
// flags that make a move replace; a call the list does not show counts as failed.
ORBMoveFileExFn g_realMove = nullptr;
DWORD g_seenFlags = 0;
BOOL WINAPI NoteFlags(LPCWSTR from, LPCWSTR to, DWORD flags) {
    g_seenFlags = flags;
    return g_realMove(from, to, flags);
}
BOOL WINAPI PretendMoved(LPCWSTR, LPCWSTR, DWORD) { return TRUE; }

TEST(PendingRename, MovesAndDeletionsAreScheduledAndChecked) {
    ScopedTempDir dir(L"pending");
    std::wstring target = dir.file(L"app.dll"), side = dir.file(L"app.dll.orbnew"), gone = dir.file(L"old.txt");
    ASSERT_TRUE(WriteFileBytes(target, "old") && WriteFileBytes(side, "new") && WriteFileBytes(gone, "x"));
    g_realMove = g_orbMoveFileEx;
    g_orbMoveFileEx = NoteFlags;
    std::string t = Narrow(target), s = Narrow(side), g = Narrow(gone);
    auto esc = [](std::string x) {
        std::string o;
        for (char c : x) o += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return o;
    };
    EXPECT_EQ("true", LuaResult1("return Lua_MoveFileAfterReboot('" + esc(s) + "', '" + esc(t) + "')"));
    EXPECT_EQ(static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING), g_seenFlags);
    EXPECT_TRUE(HasPendingRename(side, target));
    EXPECT_EQ("true", LuaResult1("return Lua_MoveFileAfterReboot('" + esc(g) + "')"));
    EXPECT_EQ(static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT), g_seenFlags);
    EXPECT_TRUE(HasPendingRename(gone, L""));
    EXPECT_TRUE(ORBPendingRenameScheduled(gone, L""));
    EXPECT_EQ("old", ReadFileBytes(target));  // nothing happens before the start

    // A missing file, and a call that leaves no entry, are failures.
    EXPECT_EQ("false", LuaResult1("return Lua_MoveFileAfterReboot('" + esc(Narrow(dir.file(L"none"))) + "')"));
    std::wstring other = dir.file(L"other.txt");
    ASSERT_TRUE(WriteFileBytes(other, "o"));
    g_orbMoveFileEx = PretendMoved;
    EXPECT_FALSE(ORBMoveFileAfterReboot(other, L""));
    g_orbMoveFileEx = g_realMove;
    ForgetPendingRenames(dir.path());
    EXPECT_FALSE(HasPendingRename(side, target));
}

}  // namespace
