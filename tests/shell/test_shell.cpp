// Shell and system functions under Wine: launches, shortcuts, process questions, the
// background download against a local server, and the message box through a product.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbarch.h"
#include "orbshell.h"
#include "orbuserlaunch.h"
#include "orbtestlua.h"
#include "orbtestutil.h"

namespace {

lua_State* L() { return ORBScriptEngine::GetInstance()->GetState(); }

void SetG(const char* name, const std::wstring& value) {
    ORBScriptEngine::GetInstance()->SetGlobalString(name, value);
}

struct LinkInfo {
    std::wstring path, args, description, dir;
};

bool ReadLink(const std::wstring& file, LinkInfo& info) {
    CoInitialize(nullptr);
    bool ok = false;
    IShellLinkW* link = nullptr;
    IPersistFile* pf = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW, (void**)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&pf)) && SUCCEEDED(pf->Load(file.c_str(), STGM_READ))) {
        wchar_t buf[1024];
        buf[0] = 0;
        link->GetPath(buf, 1024, nullptr, 0);
        info.path = buf;
        buf[0] = 0;
        link->GetArguments(buf, 1024);
        info.args = buf;
        buf[0] = 0;
        link->GetDescription(buf, 1024);
        info.description = buf;
        buf[0] = 0;
        link->GetWorkingDirectory(buf, 1024);
        info.dir = buf;
        ok = true;
    }
    if (pf) pf->Release();
    if (link) link->Release();
    CoUninitialize();
    return ok;
}

// One-file HTTP server on 127.0.0.1 that holds every answer until released; all its
// waits are bounded.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::string body) : body_(std::move(body)) {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listen_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 4);
        int len = sizeof a;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LocalHttpServer() {
        stop_ = true;
        SetEvent(release_);
        thread_.join();
        closesocket(listen_);
        CloseHandle(release_);
        WSACleanup();
    }
    int port() const { return port_; }
    int requests() const { return requests_; }
    void Release() { SetEvent(release_); }

private:
    void Serve() {
        const DWORD deadline = GetTickCount() + 20000;
        while (!stop_ && GetTickCount() < deadline) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(listen_, &set);
            timeval tv = {0, 100000};
            if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
            SOCKET c = accept(listen_, nullptr, nullptr);
            if (c == INVALID_SOCKET) continue;
            DWORD timeout = 5000;
            setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
            std::string req;
            char buf[2048];
            while (req.find("\r\n\r\n") == std::string::npos) {
                int n = recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                req.append(buf, n);
            }
            ++requests_;
            WaitForSingleObject(release_, 10000);
            std::string resp = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                               std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n";
            if (req.compare(0, 4, "HEAD") != 0) resp += body_;
            send(c, resp.data(), static_cast<int>(resp.size()), 0);
            shutdown(c, SD_SEND);
            closesocket(c);
        }
    }
    std::string body_;
    SOCKET listen_ = INVALID_SOCKET;
    int port_ = 0;
    HANDLE release_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

bool WaitForFile(const std::wstring& path, const std::string& content, DWORD ms) {
    for (DWORD t = 0; t < ms; t += 50) {
        if (ReadFileBytes(path) == content) return true;
        Sleep(50);
    }
    return false;
}

}  // namespace

TEST(Exec, WaitRunsHiddenAndReturnsAfterTheChildEnded) {
    ScopedTempDir dir(L"exec");
    SetG("CHILD", TestPath(L"shell_child.exe"));
    SetG("OUT", dir.file(L"out.txt"));
    DWORD start = GetTickCount();
    ASSERT_EQ("", RunLua("e1 = Lua_Exec(CHILD, nil, '\"' .. OUT .. '\" 700', true)"));
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(L"true", LuaGlobalText("e1"));
    EXPECT_GE(took, 600u);
    EXPECT_EQ("show=0", ReadFileBytes(dir.file(L"out.txt")));  // SW_HIDE
}

TEST(Exec, WithoutWaitReturnsAtOnce) {
    ScopedTempDir dir(L"exec");
    SetG("CHILD", TestPath(L"shell_child.exe"));
    SetG("OUT", dir.file(L"out.txt"));
    ASSERT_EQ("", RunLua("e2 = Lua_Exec(CHILD, '', '\"' .. OUT .. '\" 1500', false)"));
    EXPECT_EQ(L"true", LuaGlobalText("e2"));
    EXPECT_FALSE(FileExists(dir.file(L"out.txt")));
    EXPECT_TRUE(WaitForFile(dir.file(L"out.txt"), "show=1", 20000));  // SW_SHOWNORMAL
}

TEST(Exec, MissingFilesAndPinVerbs) {
    ScopedTempDir dir(L"exec");
    SetG("MISSING", dir.file(L"gone.lnk"));
    LogCapture log;
    ASSERT_EQ("", RunLua("m1 = Lua_Exec(MISSING, 'taskbarunpin', nil, false);"
                         "m2 = Lua_Exec(MISSING, 'STARTUNPIN', nil, true)"));
    EXPECT_EQ(L"true", LuaGlobalText("m1"));
    EXPECT_EQ(L"true", LuaGlobalText("m2"));
    EXPECT_TRUE(log.lines().empty());
    ASSERT_EQ("", RunLua("m3 = Lua_Exec(MISSING, 'open', nil, false); m4 = Lua_Exec(MISSING, 'taskbarpin', nil, false)"));
    EXPECT_EQ(L"false", LuaGlobalText("m3"));
    EXPECT_EQ(L"false", LuaGlobalText("m4"));
    ASSERT_EQ(2u, log.lines().size());
    EXPECT_EQ(L"xm Fun:Lua_Exec, Description:" + dir.file(L"gone.lnk") + L" it's not exists!\r\n", log.lines()[0]);

    // A pin verb the system rejects still counts; the default action of a file that no
    // program opens does not.
    std::wstring noassoc = dir.file(L"data.orbnoassoc");
    WriteFileBytes(noassoc, "x");
    SetG("NOASSOC", noassoc);
    ASSERT_EQ("", RunLua("p1 = Lua_Exec(NOASSOC, 'Taskbarpin', nil, false); p2 = Lua_Exec(NOASSOC, nil, nil, false)"));
    EXPECT_EQ(L"true", LuaGlobalText("p1"));
    EXPECT_EQ(L"false", LuaGlobalText("p2"));
}

namespace {

// The current folder for one test.
struct CurrentFolder {
    std::vector<wchar_t> saved;
    explicit CurrentFolder(const std::wstring& dir) : saved(GetCurrentDirectoryW(0, nullptr)) {
        GetCurrentDirectoryW(DWORD(saved.size()), saved.data());
        SetCurrentDirectoryW(dir.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryW(saved.data()); }
};

std::vector<ULONG> g_masks;
BOOL WINAPI RecordExecute(SHELLEXECUTEINFOW* info) {
    g_masks.push_back(info->fMask);
    return TRUE;
}

bool g_tokenIsUsers = false;
bool TokenAnswer() { return g_tokenIsUsers; }

}  // namespace

// An uninstaller works from %TEMP%, where anyone may put a program of any name: a bare
// name is the system's or the PATH's, never the current folder's.
TEST(Exec, RelativeNamesNeverComeFromTheCurrentFolder) {
    ScopedTempDir dir(L"plant");
    ASSERT_TRUE(CopyFileW(TestPath(L"shell_child.exe").c_str(), dir.file(L"orbplanted.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(TestPath(L"shell_child.exe").c_str(), dir.file(L"orbplanted.dll").c_str(), FALSE));
    CurrentFolder here(dir.path());
    SetG("OUT", dir.file(L"out.txt"));
    LogCapture log;
    ASSERT_EQ("", RunLua("b1 = Lua_Exec('orbplanted.exe', nil, '\"' .. OUT .. '\" 0', true);"
                         "b2 = Lua_Exec('.\\\\orbplanted.exe', nil, '\"' .. OUT .. '\" 0', true);"
                         "b3 = Lua_Exec('orbplanted', nil, '\"' .. OUT .. '\" 0', false);"
                         "b4 = Lua_Exec('hostname.exe', nil, nil, true);"
                         "b5 = Lua_RegSvr32('orbplanted.dll', true)"));
    EXPECT_EQ(L"false", LuaGlobalText("b1"));
    EXPECT_EQ(L"false", LuaGlobalText("b2"));
    EXPECT_EQ(L"false", LuaGlobalText("b3"));
    EXPECT_EQ(L"true", LuaGlobalText("b4"));  // found in the system folder
    EXPECT_EQ(L"false", LuaGlobalText("b5"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_Exec, Description:orbplanted.exe it's not exists!\r\n"));
    EXPECT_TRUE(log.Has(L"xm Fun:Lua_RegSvr32, Description:orbplanted.dll it's not exists!\r\n"));
    Sleep(500);
    EXPECT_FALSE(FileExists(dir.file(L"out.txt")));
}

// The shell's own error windows would wait for somebody in an unattended run.
TEST(Exec, UnattendedRunsAskTheShellForNoErrorWindows) {
    SetG("CHILD", TestPath(L"shell_child.exe"));
    g_masks.clear();
    g_orbShellExecuteEx = RecordExecute;
    std::string error = RunLua("global_silent_install = true; Lua_Exec(CHILD, nil, nil, true);"
                               "global_silent_install = false; global_passive_install = true;"
                               "Lua_Exec(CHILD, 'open', nil, false); global_passive_install = false;"
                               "Lua_Exec(CHILD, nil, nil, true)");
    g_orbShellExecuteEx = ShellExecuteExW;
    ASSERT_EQ("", error);
    ASSERT_EQ(3u, g_masks.size());
    EXPECT_TRUE(g_masks[0] & SEE_MASK_FLAG_NO_UI);
    EXPECT_TRUE(g_masks[1] & SEE_MASK_FLAG_NO_UI);
    EXPECT_FALSE(g_masks[2] & SEE_MASK_FLAG_NO_UI);
    EXPECT_TRUE(g_masks[0] & SEE_MASK_NOCLOSEPROCESS);
}

// The elevated second run: the setup's own program with the verb "runas", waited for,
// its exit code handed back. (Wine has no consent prompt; the child stands in for the
// setup so the test program is not started again.)
std::wstring g_runasVerb, g_runasFile, g_child;
ULONG g_runasMask = 0;
bool g_declined = false;
BOOL WINAPI RecordRunas(SHELLEXECUTEINFOW* info) {
    g_runasVerb = info->lpVerb ? info->lpVerb : L"";
    g_runasFile = info->lpFile ? info->lpFile : L"";
    g_runasMask = info->fMask;
    if (g_declined) {
        SetLastError(ERROR_CANCELLED);
        return FALSE;
    }
    info->lpFile = g_child.c_str();
    return ShellExecuteExW(info);
}

TEST(RunElevated, StartsTheSetupAgainWithRunasAndAnswersItsExitCode) {
    ScopedTempDir dir(L"runas");
    g_child = TestPath(L"shell_child.exe");
    SetG("OUT", L"\"" + dir.file(L"out.txt") + L"\" 0");
    g_orbShellExecuteEx = RecordRunas;
    EXPECT_EQ("0", LuaResult1("return Lua_RunElevated(OUT)"));
    EXPECT_EQ(L"runas", g_runasVerb);
    wchar_t self[4096];
    GetModuleFileNameW(nullptr, self, 4096);
    EXPECT_EQ(self, g_runasFile);
    EXPECT_TRUE(g_runasMask & SEE_MASK_NOCLOSEPROCESS);
    EXPECT_FALSE(g_runasMask & SEE_MASK_FLAG_NO_UI);
    EXPECT_EQ("show=1", ReadFileBytes(dir.file(L"out.txt")));
    // The child's own code comes back (2: it was given too few arguments).
    EXPECT_EQ("2", LuaResult1("global_silent_install = true; local c = Lua_RunElevated(''); "
                              "global_silent_install = false; return c"));
    EXPECT_TRUE(g_runasMask & SEE_MASK_FLAG_NO_UI);
    g_declined = true;
    EXPECT_EQ((std::vector<std::string>{"nil", "1223"}), LuaResults("return Lua_RunElevated(OUT)"));
    g_declined = false;
    g_orbShellExecuteEx = ShellExecuteExW;
    EXPECT_EQ("boolean", LuaResult1("return type(Lua_IsElevated())"));
}

// "asuser" starts with the user's token or not at all: the shell gives no process to
// wait for, and without the desktop shell an elevated setup has no user's token.
TEST(Exec, AsUserNeverFallsBackToTheSetupsToken) {
    ScopedTempDir dir(L"asuser");
    SetG("CHILD", TestPath(L"shell_child.exe"));
    SetG("OUT", dir.file(L"out.txt"));
    LogCapture log;
    ASSERT_EQ("", RunLua("u1 = Lua_Exec(CHILD, 'asuser', '\"' .. OUT .. '\" 0', true)"));
    EXPECT_EQ(L"false", LuaGlobalText("u1"));
    EXPECT_TRUE(log.Has(L"\"asuser\" cannot wait for the program"));
    for (bool users : {false, true}) {
        g_tokenIsUsers = users;
        g_orbTokenIsUsers = TokenAnswer;
        std::string error = RunLua("u2 = Lua_Exec(CHILD, 'asuser', '\"' .. OUT .. '\" 0', false)");
        g_orbTokenIsUsers = ORBTokenIsUsers;
        ASSERT_EQ("", error);
        // Where a desktop shell answers, it starts the program for the user either way.
        if (log.Has(L"for the signed-in user through the desktop shell")) break;
        EXPECT_EQ(users ? L"true" : L"false", LuaGlobalText("u2"));
        if (users) {
            EXPECT_TRUE(WaitForFile(dir.file(L"out.txt"), "show=1", 20000));
        } else {
            EXPECT_TRUE(log.Has(L"the desktop shell cannot be reached"));
            Sleep(500);
            EXPECT_FALSE(FileExists(dir.file(L"out.txt")));
        }
    }
}

TEST(Shortcut, LinksCarryArgumentsDescriptionAndFolder) {
    ScopedTempDir dir(L"lnk");
    std::wstring target = TestPath(L"shell_child.exe");
    SetG("TARGET", target);
    SetG("DIR", dir.path());
    LogCapture log;
    ASSERT_EQ("", RunLua(R"(
        s3 = Lua_CreateShortcut(TARGET, DIR .. "\\new\\deeper\\three.lnk", "ignored", "ignored")
    )"));
    // Three arguments in Lua can not carry a fourth: call with exactly three.
    ASSERT_EQ("", RunLua(R"(
        s3 = Lua_CreateShortcut(TARGET, DIR .. "\\new\\deeper\\three.lnk", "ignored")
        s4 = Lua_CreateShortcut(TARGET, DIR .. "\\four.lnk", "/menu", nil)
        s5 = Lua_CreateShortcut(TARGET, DIR .. "\\five.lnk", nil, "Start the child")
    )"));
    EXPECT_EQ(L"true", LuaGlobalText("s3"));
    EXPECT_EQ(L"true", LuaGlobalText("s4"));
    EXPECT_EQ(L"true", LuaGlobalText("s5"));
    EXPECT_TRUE(log.Has(L"xm Save Shortcut " + dir.path() + L"\\four.lnk \r\n"));

    std::wstring folder = target.substr(0, target.rfind(L'\\'));
    LinkInfo three, four, five;
    ASSERT_TRUE(ReadLink(dir.path() + L"\\new\\deeper\\three.lnk", three));
    EXPECT_EQ(L"", three.args);
    EXPECT_EQ(L"", three.description);
    EXPECT_EQ(folder, three.dir);
    EXPECT_EQ(0, lstrcmpiW(target.c_str(), three.path.c_str())) << Narrow(three.path);
    ASSERT_TRUE(ReadLink(dir.path() + L"\\four.lnk", four));
    EXPECT_EQ(L"/menu", four.args);
    EXPECT_EQ(L"", four.description);
    ASSERT_TRUE(ReadLink(dir.path() + L"\\five.lnk", five));
    EXPECT_EQ(L"", five.args);
    EXPECT_EQ(L"Start the child", five.description);
}

TEST(Shortcut, UrlTargetsWriteInternetShortcuts) {
    ScopedTempDir dir(L"url");
    SetG("DIR", dir.path());
    LogCapture log;
    ASSERT_EQ("", RunLua("u1 = Lua_CreateShortcut('http://example.invalid/orb?x=1', DIR .. '\\\\site.url')"));
    EXPECT_EQ(L"true", LuaGlobalText("u1"));
    std::string text = ReadFileBytes(dir.file(L"site.url"));
    EXPECT_NE(std::string::npos, text.find("[InternetShortcut]")) << text;
    EXPECT_NE(std::string::npos, text.find("URL=http://example.invalid/orb?x=1")) << text;
    EXPECT_TRUE(log.Has(L"xm Save Shortcut " + dir.file(L"site.url") + L" \r\n"));
}

TEST(Shortcut, AFolderThatCannotBeMadeFailsTheSave) {
    ScopedTempDir dir(L"lnk");
    std::wstring blocker = dir.file(L"file");
    WriteFileBytes(blocker, "x");
    SetG("TARGET", TestPath(L"shell_child.exe"));
    SetG("LINK", blocker + L"\\x.lnk");
    LogCapture log;
    ASSERT_EQ("", RunLua("f1 = Lua_CreateShortcut(TARGET, LINK)"));
    EXPECT_EQ(L"false", LuaGlobalText("f1"));
    EXPECT_TRUE(log.Has(L"xm Save " + blocker + L"\\x.lnk failed!\r\n"));
}

TEST(SystemQuestions, ModuleVersionWowAndCommandLine) {
    wchar_t self[4096];
    GetModuleFileNameW(nullptr, self, 4096);
    ASSERT_EQ("", RunLua(R"(
        m0 = Lua_GetModuleFileName()
        m1 = Lua_GetModuleFileName("orb-not-loaded.dll")
        m2 = Lua_GetModuleFileName("kernel32.dll")
        m3 = Lua_GetModuleFileName(nil)
        v = Lua_GetOSVersion()
        w = tostring(Lua_IsWow64())
        local argv = Lua_GetCommandLineArgv()
        a1 = argv[1]
        an = #argv
        d = Lua_GetDriverInstallPath()
    )"));
    EXPECT_EQ(self, LuaGlobalText("m0"));
    EXPECT_EQ(self, LuaGlobalText("m1"));
    EXPECT_EQ(self, LuaGlobalText("m3"));
    EXPECT_NE(std::wstring::npos, LuaGlobalText("m2").find(L"kernel32")) << Narrow(LuaGlobalText("m2"));
    EXPECT_EQ(std::to_wstring(LOBYTE(LOWORD(GetVersion()))), LuaGlobalText("v"));
    BOOL wow = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow);
    EXPECT_EQ(wow ? L"true" : L"false", LuaGlobalText("w"));
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    EXPECT_EQ(argv[0], LuaGlobalText("a1"));
    EXPECT_EQ(std::to_wstring(n), LuaGlobalText("an"));
    LocalFree(argv);
    std::wstring d = LuaGlobalText("d");
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(L'\\', d.back());
    EXPECT_EQ(ORBPickInstallPath(d.size() > 2 ? d : L"", ORBFixedDrives()), d);
}

// Appends every manifest of the module to the std::string at out (a system callback:
// __stdcall on i686, which a lambda is not).
static BOOL CALLBACK AppendManifest(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR out) {
    HRSRC r = FindResourceW(m, name, type);
    if (HGLOBAL g = r ? LoadResource(m, r) : nullptr)
        reinterpret_cast<std::string*>(out)->append(static_cast<const char*>(LockResource(g)), SizeofResource(m, r));
    return TRUE;
}

// Products declare the systems they support, so GetVersion (Lua_GetOSVersion) answers
// the real major version (10 on Windows 10 and 11) instead of 6.
TEST(SystemQuestions, ProductsDeclareTheirSupportedSystems) {
    HMODULE exe = LoadLibraryExW(TestPath(L"shell_msgbox.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe);
    std::string manifests;
    EnumResourceNamesW(exe, RT_MANIFEST, AppendManifest, reinterpret_cast<LONG_PTR>(&manifests));
    FreeLibrary(exe);
    EXPECT_NE(std::string::npos, manifests.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")) << manifests;
}

TEST(SystemQuestions, InstallPathMovesToTheFirstLaterDriveThatHasIt) {
    ScopedTempDir dir(L"pf");
    std::wstring rest = dir.path().substr(2) + L"\\";  // path without its drive
    std::wstring drive = dir.path().substr(0, 2);
    // The lowest drive is never tried; a later drive is chosen when the folder exists
    // and only administrators may change it (a user may have made it first).
    auto adminsOnly = [](const std::wstring&) { return true; };
    auto usersMayWrite = [](const std::wstring&) { return false; };
    EXPECT_EQ(drive + rest, ORBPickInstallPath(L"Q:" + rest, {L"A:", L"Q:", drive}, adminsOnly));
    EXPECT_EQ(L"Q:" + rest, ORBPickInstallPath(L"Q:" + rest, {L"A:", L"Q:", drive}, usersMayWrite));
    EXPECT_EQ(L"Q:" + rest, ORBPickInstallPath(L"Q:" + rest, {drive, L"Q:"}, adminsOnly));
    EXPECT_EQ(L"Q:" + rest, ORBPickInstallPath(L"Q:" + rest, {drive}, adminsOnly));
}

// IsWow64Process2 answers for the emulated process; without it (before Windows 10
// 1511) GetNativeSystemInfo does. Fakes stand for the machines Wine does not run on.
USHORT g_fakeNative = 0;
BOOL WINAPI FakeIsWow64Process2(HANDLE, USHORT* process, USHORT* native) {
    *process = IMAGE_FILE_MACHINE_I386;
    *native = g_fakeNative;
    return TRUE;
}
BOOL WINAPI FailingIsWow64Process2(HANDLE, USHORT*, USHORT*) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}
WORD g_fakeProcessor = 0;
void WINAPI FakeNativeSystemInfo(LPSYSTEM_INFO info) { info->wProcessorArchitecture = g_fakeProcessor; }

TEST(NativeArchitecture, TellsX86X64AndArm64ApartWithAFallbackForOlderWindows) {
    const struct {
        USHORT machine;
        const wchar_t* name;
    } machines[] = {{IMAGE_FILE_MACHINE_I386, L"x86"}, {IMAGE_FILE_MACHINE_AMD64, L"x64"}, {0xAA64, L"ARM64"},
                    {0x01C4, L""}};
    for (const auto& m : machines) {
        g_fakeNative = m.machine;
        g_fakeProcessor = PROCESSOR_ARCHITECTURE_INTEL;  // what the fallback would say
        EXPECT_EQ(m.name, ORBNativeArchitectureWith(FakeIsWow64Process2, FakeNativeSystemInfo));
    }
    const struct {
        WORD processor;
        const wchar_t* name;
    } processors[] = {{PROCESSOR_ARCHITECTURE_INTEL, L"x86"}, {PROCESSOR_ARCHITECTURE_AMD64, L"x64"},
                      {12, L"ARM64"}, {PROCESSOR_ARCHITECTURE_IA64, L""}};
    for (const auto& p : processors) {
        g_fakeProcessor = p.processor;
        EXPECT_EQ(p.name, ORBNativeArchitectureWith(nullptr, FakeNativeSystemInfo));
        EXPECT_EQ(p.name, ORBNativeArchitectureWith(FailingIsWow64Process2, FakeNativeSystemInfo));
    }
    // This machine, through the script function.
    EXPECT_EQ(Narrow(ORBNativeArchitecture()), LuaResult1("return Lua_GetNativeArchitecture()"));
    EXPECT_NE("", LuaResult1("return Lua_GetNativeArchitecture()"));
}

std::wstring EnvText(const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, buf, 1024);
    return n && n < 1024 ? buf : L"";
}

// A WOW64 setup reaches the native folders only by their other names: %ProgramW6432%,
// and Sysnative for System32, which is redirected for it.
TEST(NativeFolders, NameTheNativeProgramFilesAndSystemFolders) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring windows = EnvText(L"SystemRoot");
    EXPECT_EQ(system, ORBNativeFolderFor(L"System", false));
    EXPECT_EQ(windows + L"\\Sysnative", ORBNativeFolderFor(L"system", true));
    EXPECT_EQ(EnvText(L"ProgramFiles"), ORBNativeFolderFor(L"ProgramFiles", false));
    EXPECT_EQ(EnvText(L"CommonProgramFiles"), ORBNativeFolderFor(L"CommonFiles", false));
    std::wstring pf64 = EnvText(L"ProgramW6432");
    EXPECT_EQ(pf64.empty() ? EnvText(L"ProgramFiles") : pf64, ORBNativeFolderFor(L"PROGRAMFILES", true));
    EXPECT_EQ(L"", ORBNativeFolderFor(L"Windows", false));
    EXPECT_EQ(L"", ORBNativeFolderFor(L"", true));

    // This process: the native folders hold the native system's own files.
    EXPECT_EQ(Narrow(ORBNativeFolder(L"ProgramFiles")), LuaResult1("return Lua_GetNativeFolder('ProgramFiles')"));
    EXPECT_EQ("nil", LuaResult1("return Lua_GetNativeFolder('Desktop')"));
    EXPECT_EQ("nil", LuaResult1("return Lua_GetNativeFolder()"));
    EXPECT_TRUE(FileExists(ORBNativeFolder(L"System") + L"\\kernel32.dll"));
    EXPECT_TRUE(FileExists(ORBNativeFolder(L"ProgramFiles")));
    if (sizeof(void*) == 8) {
        EXPECT_EQ(EnvText(L"ProgramFiles"), ORBNativeFolder(L"ProgramFiles"));
    }
}

TEST(Logout, WritesTheTextAsOneLine) {
    LogCapture log;
    ASSERT_EQ("", RunLua("Lua_Logout('安装 step 1'); Lua_Logout(); Lua_Logout(12)"));
    ASSERT_EQ(3u, log.lines().size());
    EXPECT_EQ(L"xm 安装 step 1", log.lines()[0]);
    EXPECT_EQ(L"xm ", log.lines()[1]);
    EXPECT_EQ(L"xm 12", log.lines()[2]);
}

TEST(Download, ReturnsBeforeTheFileExistsAndTheFileFollows) {
    ScopedTempDir dir(L"dl");
    std::string body(100000, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
    LocalHttpServer server(body);
    SetG("URL", L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/file.bin");
    SetEnvironmentVariableW(L"ORB_T_DLDIR", dir.path().c_str());
    ASSERT_EQ("", RunLua("Lua_URLDownloadToFileAsync(URL, '%ORB_T_DLDIR%\\\\file.bin')"));
    EXPECT_FALSE(FileExists(dir.file(L"file.bin")));
    server.Release();
    EXPECT_TRUE(WaitForFile(dir.file(L"file.bin"), body, 15000));
    EXPECT_GE(server.requests(), 1);
}

TEST(Download, AFailedDownloadIsLoggedByTheWorker) {
    LogCapture log;
    ASSERT_EQ("", RunLua("Lua_URLDownloadToFileAsync('notascheme://x', '%TEMP%\\\\orb-never.bin')"));
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = log.Has(L"xm URLDownloadToFileW failedxm err:");
        Sleep(50);
    }
    EXPECT_TRUE(seen);
}

// SHA-256 of "abc" (the standard's own example).
const char kAbcSha256[] = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";

// A checked download keeps only a file of the expected size and digest, under the
// destination's name; anything else leaves neither that name nor the side file.
TEST(Download, ACheckedDownloadKeepsOnlyTheFileThatMatches) {
    ScopedTempDir dir(L"dlc");
    SetEnvironmentVariableW(L"ORB_T_DLDIR", dir.path().c_str());
    const std::wstring dest = dir.file(L"c.bin");
    struct Case {
        const char* served;
        const char* check;
        bool kept;
        const wchar_t* line;
        const char* left;  // what the destination holds afterwards
    } cases[] = {
        {"abc", "{sha256 = SHA, size = 3, wait = true}", true, L"c.bin downloaded and checked", "abc"},
        {"abc", "{sha256 = SHA:lower(), wait = true}", true, L"c.bin downloaded and checked", "abc"},
        {"abd", "{sha256 = SHA, size = 3, wait = true}", false, L"c.bin has SHA-256 ", ""},
        {"ab", "{sha256 = SHA, size = 3, wait = true}", false, L"c.bin has 2 bytes, not 3: deleted", ""},
        {"abcd", "{size = 3, wait = true}", false, L"c.bin has 4 bytes, not 3: deleted", ""},
        // A malformed check downloads nothing and leaves what is there.
        {"abc", "{sha256 = 'ba78', wait = true}", false, L"the check is not a SHA-256 and a byte count",
         "an older file"},
        {"abc", "{size = -1, wait = true}", false, L"the check is not a SHA-256 and a byte count", "an older file"},
        {"abc", "{size = 1e30, wait = true}", false, L"the check is not a SHA-256 and a byte count", "an older file"},
    };
    ASSERT_EQ("", RunLua(std::string("SHA = '") + kAbcSha256 + "'"));
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dest, "an older file"));
        LocalHttpServer server(c.served);
        server.Release();
        SetG("URL", L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/c.bin");
        LogCapture log;
        EXPECT_EQ(c.kept ? "true" : "false",
                  LuaResult1(std::string("return Lua_URLDownloadToFileAsync(URL, '%ORB_T_DLDIR%\\\\c.bin', ") +
                             c.check + ")"))
            << c.served << " " << c.check;
        EXPECT_EQ(c.left, ReadFileBytes(dest)) << c.served << " " << c.check;
        EXPECT_FALSE(FileExists(dest + L".download"));
        bool logged = false;
        std::wstring all;
        for (const std::wstring& l : log.lines()) {
            logged = logged || l.find(c.line) != std::wstring::npos;
            all += l + L"\n";
        }
        EXPECT_TRUE(logged) << c.served << " " << c.check << "\n" << Narrow(all);
    }
}

// A file URL is checked the same way; without wait the call returns nothing at once,
// and a file that fails its check never appears.
TEST(Download, FileUrlsAndTheBackgroundFormAreCheckedToo) {
    ScopedTempDir dir(L"dlf");
    SetEnvironmentVariableW(L"ORB_T_DLDIR", dir.path().c_str());
    ASSERT_TRUE(WriteFileBytes(dir.file(L"src.txt"), "abc"));
    std::wstring url = L"file:///" + dir.file(L"src.txt");
    for (wchar_t& ch : url)
        if (ch == L'\\') ch = L'/';
    SetG("URL", url);
    ASSERT_EQ("", RunLua(std::string("SHA = '") + kAbcSha256 + "'"));
    EXPECT_EQ("true", LuaResult1("return Lua_URLDownloadToFileAsync(URL, '%ORB_T_DLDIR%\\\\f.bin', "
                                 "{sha256 = SHA, size = 3, wait = true})"));
    EXPECT_EQ("abc", ReadFileBytes(dir.file(L"f.bin")));

    LogCapture log;
    EXPECT_EQ("none", LuaResult1("return Lua_URLDownloadToFileAsync(URL, '%ORB_T_DLDIR%\\\\g.bin', "
                                 "{sha256 = SHA, size = 4})"));
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = log.Has(L"g.bin has 3 bytes, not 4: deleted");
        Sleep(50);
    }
    EXPECT_TRUE(seen);
    EXPECT_FALSE(FileExists(dir.file(L"g.bin")));
    EXPECT_FALSE(FileExists(dir.file(L"g.bin.download")));
}

TEST(MsgBox, ArgumentCountsThroughTheRunDriver) {
    ScopedTempDir dir(L"msgbox");
    ORBRunOptions options;
    options.environment = {{L"ORB_T_TRACE", dir.file(L"trace.txt")},
                           {L"ORB_T_GUID", L"Local\\orb-shell-msgbox-" + std::to_wstring(GetCurrentProcessId())}};
    options.arguments = L"/S \"two words\"";
    options.answers = {IDOK, IDOK, IDCANCEL, IDOK, IDOK, IDOK, IDYES};
    ORBRunResult r = RunProduct(L"shell_msgbox.exe", options);
    ASSERT_TRUE(r.started);
    std::string lines;
    for (const auto& l : r.lines) lines += Narrow(l);
    EXPECT_EQ(1u, r.exitCode) << lines;
    ASSERT_EQ(7u, r.boxes.size()) << lines;
    EXPECT_EQ(L"only text", r.boxes[0].text);
    EXPECT_EQ(L"", r.boxes[0].caption);
    EXPECT_EQ(L"text two", r.boxes[1].text);
    EXPECT_EQ(L"caption two", r.boxes[1].caption);
    EXPECT_EQ(L"caption three", r.boxes[2].caption);
    EXPECT_EQ(L"", r.boxes[3].text);  // four arguments: an empty box
    EXPECT_EQ(L"", r.boxes[3].caption);
    // Wrong-typed text and caption read as empty, a non-numeric type as 0 (OK only).
    EXPECT_EQ(L"", r.boxes[5].text);
    std::vector<std::string> trace = ReadLines(dir.file(L"trace.txt"));
    std::vector<std::string> expected = {"one=1", "two=1", "three=2", "four=1", "none=1", "bad=1", "yesno=6", "argc=3",
                                         "argv1=" + Narrow(TestPath(L"shell_msgbox.exe")), "argv2=/S",
                                         "argv3=two words", "module=" + Narrow(TestPath(L"shell_msgbox.exe"))};
    EXPECT_EQ(expected, trace);
    EXPECT_TRUE(r.HasLine(L"xm msgbox product done"));
}

// A silent run shows no box: each call answers its default button and logs its text.
TEST(MsgBox, ASilentRunAnswersTheDefaultButtonWithoutShowingAnything) {
    ScopedTempDir dir(L"msgbox");
    ORBRunOptions options;
    options.environment = {{L"ORB_T_TRACE", dir.file(L"trace.txt")}, {L"ORB_T_SILENT", L"1"},
                           {L"ORB_T_GUID", L"Local\\orb-shell-msgbox-s" + std::to_wstring(GetCurrentProcessId())}};
    options.arguments = L"/S";
    ORBRunResult r = RunProduct(L"shell_msgbox.exe", options);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_TRUE(r.boxes.empty());
    std::vector<std::string> trace = ReadLines(dir.file(L"trace.txt"));
    trace.resize(7);
    // OK-Cancel answers OK; Yes-No with the second button as default answers No.
    EXPECT_EQ((std::vector<std::string>{"one=1", "two=1", "three=1", "four=1", "none=1", "bad=1", "yesno=7"}), trace);
    EXPECT_TRUE(r.HasLine(L"text three"));
    EXPECT_TRUE(r.HasLine(L"caption three"));
}

TEST(SilentProduct, InstallsRegistryShortcutAndToolThenRemovesItsKey) {
    ScopedTempDir dir(L"install");
    std::wstring key = L"Software\\ORBTest\\install" + std::to_wstring(GetCurrentProcessId());
    ORBRunOptions options;
    options.environment = {{L"ORB_T_TRACE", dir.file(L"trace.txt")},
                           {L"ORB_T_GUID", L"Local\\orb-shell-install-" + std::to_wstring(GetCurrentProcessId())},
                           {L"ORB_T_DIR", dir.path()},
                           {L"ORB_T_KEY", key},
                           {L"ORB_T_CHILD", TestPath(L"shell_child.exe")}};
    ORBRunResult r = RunProduct(L"shell_install.exe", options);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(1u, r.exitCode);
    std::vector<std::string> expected = {"csidl=true", "shortcut=true", "exec=true", "ran=show=0",
                                         "name=ORB Test 安装", "location=%ORB_T_DIR%", "nomodify=1", "os=true"};
    EXPECT_EQ(expected, ReadLines(dir.file(L"trace.txt")));
    EXPECT_TRUE(r.HasLine(L"xm Save Shortcut " + dir.path() + L"\\menu\\Child.lnk \r\n"));
    LinkInfo link;
    ASSERT_TRUE(ReadLink(dir.path() + L"\\menu\\Child.lnk", link));
    EXPECT_EQ(L"/menu", link.args);
    BYTE flags[8];
    DWORD size = sizeof flags;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (key + L"\\Sub").c_str(), L"Flags", RRF_RT_REG_BINARY,
                                          nullptr, flags, &size));
    EXPECT_EQ(2u, size);
    EXPECT_EQ(0x0B, flags[1]);

    // A second run as the uninstaller deletes the whole key.
    DeleteFileW(dir.file(L"trace.txt").c_str());
    options.environment.emplace_back(L"ORB_T_UNINSTALL", L"1");
    ORBRunResult u = RunProduct(L"shell_install.exe", options);
    EXPECT_EQ(1u, u.exitCode);
    std::vector<std::string> trace = ReadLines(dir.file(L"trace.txt"));
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ("after=nil", trace.back());
    HKEY k;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k));
}

// Every function with missing, nil, wrong-typed and very long arguments: no script
// error, the documented result (Lua_MsgBox blocks, so it is covered by the product).
TEST(ShellBadInput, EveryCallReturnsItsDocumentedResult) {
    ScopedTempDir dir(L"bad");
    std::wstring deep = dir.path();
    for (int i = 0; i < 150; ++i) deep += L"\\d";
    SetG("LONGPATH", deep + L"\\x.lnk");  // beyond MAX_PATH
    ASSERT_EQ("", RunLua("LONG = string.rep('x', 70000)"));
    struct Case {
        const char* call;
        const char* result;  // tostring of the first result, its type, or "none"
    } cases[] = {
        {"Lua_Exec()", "false"},
        {"Lua_Exec(nil, nil, nil, nil)", "false"},
        {"Lua_Exec({}, {}, {}, {})", "false"},
        {"Lua_Exec(LONG, 'open', LONG, true)", "false"},
        {"Lua_Exec(LONG, 'taskbarunpin')", "true"},
        {"Lua_CreateShortcut()", "false"},
        {"Lua_CreateShortcut(nil, nil, nil, nil)", "false"},
        {"Lua_CreateShortcut({}, {})", "false"},
        {"Lua_CreateShortcut(LONG, LONGPATH, LONG, LONG)", "boolean"},  // the system decides
        {"Lua_CreateShortcut('x', LONG)", "false"},
        {"Lua_GetOSVersion(LONG, {})", "number"},
        {"Lua_IsWow64(1, 2, 3)", "boolean"},  // true for the 32-bit build on 64-bit Windows
        {"Lua_GetModuleFileName({})", "string"},
        {"Lua_GetModuleFileName(LONG)", "string"},
        {"Lua_GetCommandLineArgv(LONG)", "table"},
        {"Lua_GetDriverInstallPath(nil, {})", "string"},
        {"Lua_GetCommandLine(LONG, {})", "string"},
        {"Lua_Logout()", "none"},
        {"Lua_Logout({})", "none"},
        {"Lua_Logout(LONG)", "none"},
        {"Lua_URLDownloadToFileAsync()", "none"},
        {"Lua_URLDownloadToFileAsync(nil)", "none"},
        {"Lua_URLDownloadToFileAsync(nil, nil)", "none"},
        {"Lua_URLDownloadToFileAsync(12, 34)", "none"},
        {"Lua_URLDownloadToFileAsync({}, {})", "none"},
        {"Lua_URLDownloadToFileAsync(LONG, LONG)", "none"},
    };
    for (const Case& c : cases) {
        std::string code = "local n = select('#', " + std::string(c.call) +
                           ") bad_result = n == 0 and 'none' or nil; if n > 0 then local v = (" + c.call +
                           ") bad_result = (type(v) == 'nil' or (type(v) == 'boolean' and '" + std::string(c.result) +
                           "' ~= 'boolean')) and tostring(v) or type(v) end";
        EXPECT_EQ("", RunLua(code)) << c.call;
        EXPECT_EQ(ORBUtf8ToWide(c.result), LuaGlobalText("bad_result")) << c.call;
    }
    EXPECT_EQ(0, lua_gettop(L()));
}
