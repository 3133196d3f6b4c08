// The sample product end to end: its setup and uninstaller run under the run driver,
// silently and through their message boxes, and what they leave behind is checked.
#include <shlobj.h>
#include <oleacc.h>

#include <algorithm>
#include <string>

#include "gtest/gtest.h"
#include "orbhandle.h"
#include "orbrunwindow.h"
#include "orbtestsession.h"
#include "orbtestutil.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORB Demo";
const wchar_t kProductKey[] = L"Software\\ORB Demo";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The sample uses the standard exit codes.
constexpr DWORD kInstalled = 0, kCancelled = 1602, kFailed = 1603, kAnotherInstance = 1618, kBadCommandLine = 87;

// The setup under test: the build's, or another (ORB_DEMO_SETUP, a path in the test
// folder) made of the same product, such as the one orbpack packs.
std::wstring DemoSetup() {
    const wchar_t* other = _wgetenv(L"ORB_DEMO_SETUP");
    return TestPath(other && *other ? other : L"orbdemo-setup.exe");
}

bool KeyExists(const wchar_t* key, REGSAM view = 0) {
    ORBRegKey k;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, k.put()) == ERROR_SUCCESS;
}

// True when this (32-bit) test runs on 64-bit Windows.
bool UnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
const wchar_t kWowUninstallKey[] = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORB Demo";

std::wstring DesktopLink() { return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\ORB Demo.lnk"; }
std::wstring StartMenuFolder() { return SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\ORB Demo"; }
std::wstring QuickLaunchLink() {
    return SpecialFolder(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch\\ORB Demo.lnk";
}

void RemoveLeftovers() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    ORBRegKey run;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, run.put()) == ERROR_SUCCESS)
        RegDeleteValueW(run.get(), L"ORB Demo");
    DeleteFileW(DesktopLink().c_str());
    DeleteFileW(QuickLaunchLink().c_str());
    for (const wchar_t* n : {L"\\ORB Demo.lnk", L"\\Uninstall ORB Demo.lnk", L"\\Readme.lnk"})
        DeleteFileW((StartMenuFolder() + n).c_str());
    RemoveDirectoryW(StartMenuFolder().c_str());
}

ORBRunResult RunDemo(const std::wstring& exe, const std::wstring& args, std::vector<int> answers = {}) {
    ORBRunOptions o;
    o.exe = exe;
    o.arguments = args;
    o.answers = std::move(answers);
    o.timeoutMs = 120000;
    return ORBRunSetup(o);
}

HWND WaitForProgramWindow(DWORD ms) {
    for (DWORD t = 0; t < ms; t += 50) {
        if (HWND w = FindWindowW(L"OrbDemoWindow", nullptr)) return w;
        Sleep(50);
    }
    return nullptr;
}

// The program the setup was asked to start, once it runs. An elevated setup that finds no
// desktop shell to hand the start to (Wine has none, and counts every process as elevated)
// starts nothing and says so: a start with its own token would run the program elevated.
// The test then starts the program itself, as the user would, and goes on.
HWND ProgramStartedOrSkipped(const ORBRunResult& r, const std::wstring& exe, DWORD ms) {
    if (!r.HasLine(L"xm Start of " + exe + L" skipped: the desktop shell cannot be reached")) return WaitForProgramWindow(ms);
    EXPECT_FALSE(WaitForProgramWindow(1000)) << "skipped, yet started";
    ShellExecuteW(nullptr, L"open", exe.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return WaitForProgramWindow(ms);
}

class Demo : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLeftovers();
        dir_ = root_.file(L"ORB Demo");
    }
    void TearDown() override { RemoveLeftovers(); }

    ORBRunResult Install(const std::wstring& extra = L"") {
        return RunDemo(DemoSetup(), L"/S " + extra + L"/D=" + dir_);
    }
    ORBRunResult Uninstall(const std::wstring& args, std::vector<int> answers = {}) {
        return RunDemo(dir_ + L"\\uninst.exe", args, std::move(answers));
    }
    std::wstring at(const wchar_t* rel) const { return dir_ + L"\\" + rel; }

    ScopedTempDir root_{L"demo"};
    std::wstring dir_;
};

TEST_F(Demo, SilentInstallThenSilentUninstallLeavesNothing) {
    ORBRunResult r = Install();
    ASSERT_TRUE(r.started);
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_TRUE(r.HasLine(L"[setup] installed ORB Demo 1.0.0 into " + dir_));

    for (const wchar_t* f : {L"orbdemo.exe", L"readme.txt", L"licence.txt", L"uninst.exe", L"GLOBAL_VAR.LUAC",
                             L"UNINSTSCRIPT.LUAC", L"help\\topic01.html", L"data\\words20.txt",
                             L"gallery\\wallpaper08.png"})
        EXPECT_TRUE(FileExists(at(f))) << Narrow(f);
    // The extracted chunks are the setup's own, byte for byte precompiled Lua.
    EXPECT_EQ(0u, ReadFileBytes(at(L"UNINSTSCRIPT.LUAC")).find("\x1bLua"));

    EXPECT_EQ(L"ORB Demo", RegText(kUninstallKey, L"DisplayName"));
    EXPECT_EQ(L"1.0.0", RegText(kUninstallKey, L"DisplayVersion"));
    EXPECT_EQ(L"ORB Software", RegText(kUninstallKey, L"Publisher"));
    EXPECT_EQ(dir_, RegText(kUninstallKey, L"InstallLocation"));
    EXPECT_EQ(L"\"" + dir_ + L"\\uninst.exe\"", RegText(kUninstallKey, L"UninstallString"));
    EXPECT_EQ(L"\"" + dir_ + L"\\uninst.exe\" /S", RegText(kUninstallKey, L"QuietUninstallString"));
    EXPECT_EQ(dir_ + L"\\orbdemo.exe,0", RegText(kUninstallKey, L"DisplayIcon"));
    // EstimatedSize: the payload in KB, more than the 2 MB of sample files.
    EXPECT_GT(std::stoul(RegText(kUninstallKey, L"EstimatedSize")), 2000u);
    EXPECT_EQ(dir_, RegText(kProductKey, L"InstallPath"));
    EXPECT_EQ(L"\"" + dir_ + L"\\orbdemo.exe\" /autostart", RegText(kRunKey, L"ORB Demo"));
    EXPECT_TRUE(FileExists(DesktopLink()));
    EXPECT_TRUE(FileExists(StartMenuFolder() + L"\\ORB Demo.lnk"));
    EXPECT_TRUE(FileExists(StartMenuFolder() + L"\\Uninstall ORB Demo.lnk"));
    EXPECT_TRUE(FileExists(QuickLaunchLink()));
    if (UnderWow64()) {
        // The 32-bit setup writes the 32-bit view: its entry is under WOW6432Node, where
        // 64-bit Windows lists 32-bit programs, and not in the 64-bit list.
        EXPECT_TRUE(KeyExists(kWowUninstallKey, KEY_WOW64_64KEY));
        EXPECT_FALSE(KeyExists(kUninstallKey, KEY_WOW64_64KEY));
    }

    ORBRunResult u = Uninstall(L"/S");
    ASSERT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_TRUE(u.boxes.empty());
    EXPECT_FALSE(FileExists(dir_)) << Dump(u);
    EXPECT_FALSE(KeyExists(kUninstallKey));
    if (UnderWow64()) {
        EXPECT_FALSE(KeyExists(kWowUninstallKey, KEY_WOW64_64KEY));
    }
    EXPECT_FALSE(KeyExists(kProductKey));
    EXPECT_EQ(L"<missing>", RegText(kRunKey, L"ORB Demo"));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    EXPECT_FALSE(FileExists(QuickLaunchLink()));
}

// The uninstaller removes only recorded paths inside the install folder: an entry that
// climbs out of it (as a tampered list or a link would lead) is kept and logged. (Links
// on the way are the host file functions' to refuse: see the file tests.)
TEST_F(Demo, UninstallKeepsRecordedPathsOutsideTheInstallFolder) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    std::wstring victim = root_.file(L"victim.txt");
    ASSERT_TRUE(WriteFileBytes(victim, "keep me"));
    // A %NAME% reference would be expanded by the file functions: here to "..".
    SetEnvironmentVariableW(L"ORB_T_UP", L"..");
    std::wstring files = RegText(kProductKey, L"Files") + L"|..\\victim.txt|" + root_.path() +
                         L"\\victim.txt|%ORB_T_UP%\\victim.txt";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kProductKey, L"Files", REG_EXPAND_SZ, files.c_str(),
                                             static_cast<DWORD>((files.size() + 1) * sizeof(wchar_t))));
    // Only what was really removed counts: not the kept entries, nor a file already gone.
    size_t recorded = std::count(files.begin(), files.end(), L'|') + 1 - 3;
    ASSERT_TRUE(DeleteFileW(at(L"readme.txt").c_str()));
    ORBRunResult u = Uninstall(L"/S");
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_TRUE(FileExists(victim));
    EXPECT_TRUE(u.HasLine(L"..\\victim.txt is kept")) << Dump(u);
    EXPECT_TRUE(u.HasLine(L"%ORB_T_UP%\\victim.txt is kept")) << Dump(u);
    EXPECT_TRUE(u.HasLine(L"[uninstall] " + std::to_wstring(recorded - 1) + L" files removed")) << Dump(u);
    EXPECT_FALSE(FileExists(at(L"orbdemo.exe")));
    SetEnvironmentVariableW(L"ORB_T_UP", nullptr);
}

// A copy of the uninstaller anywhere but the recorded install folder removes nothing,
// there or in the real installation; someone watching is told why.
TEST_F(Demo, UninstallerCopiedElsewhereRefusesAndDeletesNothing) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    std::wstring other = root_.file(L"elsewhere");
    ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(other + L"\\readme.txt", "mine"));
    ASSERT_TRUE(CopyFileW(at(L"uninst.exe").c_str(), (other + L"\\uninst.exe").c_str(), FALSE));
    ORBRunResult u = RunDemo(other + L"\\uninst.exe", L"/S");
    EXPECT_EQ(kFailed, u.exitCode) << Dump(u);
    EXPECT_TRUE(u.boxes.empty());
    EXPECT_TRUE(u.HasLine(L"[uninstall] refusing to run from " + other)) << Dump(u);
    ORBRunResult i = RunDemo(other + L"\\uninst.exe", L"", {IDOK});
    EXPECT_EQ(kFailed, i.exitCode) << Dump(i);
    EXPECT_EQ(1u, i.boxes.size());
    EXPECT_EQ("mine", ReadFileBytes(other + L"\\readme.txt"));
    EXPECT_TRUE(FileExists(other + L"\\uninst.exe"));
    EXPECT_TRUE(KeyExists(kUninstallKey));
    EXPECT_TRUE(KeyExists(kProductKey));
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));
    EXPECT_TRUE(FileExists(DesktopLink()));
}

// The silent road refuses the folders the install dialog refuses, before anything is
// written.
TEST_F(Demo, SilentInstallRefusesDriveRelativeRootAndWindowsFolders) {
    wchar_t windows[MAX_PATH + 1];
    ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH + 1), 0u);
    std::wstring win = windows;
    for (const std::wstring& folder : {win.substr(0, 2) + L"ORB Demo", win.substr(0, 3), win + L"\\ORB Demo"}) {
        ORBRunResult r = RunDemo(DemoSetup(), L"/S /D=" + folder);
        EXPECT_EQ(kFailed, r.exitCode) << Narrow(folder);
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_TRUE(r.HasLine(L"install failed")) << Dump(r);
        EXPECT_FALSE(KeyExists(kUninstallKey));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((win + L"\\ORB Demo").c_str()));
}

TEST_F(Demo, NoAutostartOptionWritesNoRunValue) {
    ASSERT_EQ(kInstalled, Install(L"/NOAUTOSTART ").exitCode);
    EXPECT_EQ(L"<missing>", RegText(kRunKey, L"ORB Demo"));
    EXPECT_TRUE(KeyExists(kUninstallKey));
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

TEST_F(Demo, UninstallerAsksFirstAndCancelKeepsEverything) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    ORBRunResult u = Uninstall(L"", {IDCANCEL});
    EXPECT_EQ(kCancelled, u.exitCode);
    ASSERT_EQ(1u, u.boxes.size());
    EXPECT_EQ(L"ORB Demo", u.boxes[0].caption);
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));
    EXPECT_TRUE(KeyExists(kUninstallKey));

    u = Uninstall(L"", {IDOK, IDOK});
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_EQ(2u, u.boxes.size());  // the question and the final notice
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_FALSE(KeyExists(kProductKey));
}

TEST_F(Demo, UninstallKeepsFilesTheUserAddedAndTheirFolder) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    ASSERT_TRUE(WriteFileBytes(at(L"my notes.txt"), "mine"));
    ASSERT_TRUE(WriteFileBytes(at(L"help\\extra.html"), "mine too"));
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
    EXPECT_EQ("mine", ReadFileBytes(at(L"my notes.txt")));
    EXPECT_EQ("mine too", ReadFileBytes(at(L"help\\extra.html")));
    EXPECT_FALSE(FileExists(at(L"orbdemo.exe")));
    EXPECT_FALSE(FileExists(at(L"uninst.exe")));
    EXPECT_FALSE(FileExists(at(L"help\\topic01.html")));
    EXPECT_FALSE(FileExists(at(L"data")));
}

TEST_F(Demo, ReinstallReplacesReadOnlyFilesAndEndsTheRunningProgram) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    std::string readme = ReadFileBytes(at(L"readme.txt"));
    ASSERT_TRUE(WriteFileBytes(at(L"readme.txt"), "changed"));
    SetFileAttributesW(at(L"readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + at(L"orbdemo.exe") + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ORBHandle process(pi.hProcess), thread(pi.hThread);
    WaitForInputIdle(process.get(), 10000);

    ORBRunResult r = Install();
    EXPECT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 10000)) << "the old program still runs";
    EXPECT_TRUE(r.HasLine(L"[inuse] asked 1 programs to close"));
    EXPECT_EQ(readme, ReadFileBytes(at(L"readme.txt")));
    EXPECT_FALSE(GetFileAttributesW(at(L"readme.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(r.boxes.empty());
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
    EXPECT_FALSE(FileExists(dir_));
}

// An update removes what the version it replaces shipped and it no longer does.
TEST_F(Demo, UpdateRemovesTheOldVersionsFilesItNoLongerShips) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    // As if the installed version had shipped old\gone.txt, which this one no longer has.
    std::wstring files = RegText(kProductKey, L"Files");
    ASSERT_NE(L"<missing>", files);
    files += L"|old\\gone.txt";
    ORBRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE, key.put()));
    RegSetValueExW(key.get(), L"Files", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(files.c_str()),
                   static_cast<DWORD>((files.size() + 1) * sizeof(wchar_t)));
    CreateDirectoryW(at(L"old").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(at(L"old\\gone.txt"), "old"));

    ASSERT_EQ(kInstalled, Install().exitCode);
    EXPECT_EQ(std::wstring::npos, RegText(kProductKey, L"Files").find(L"old\\gone.txt"));
    EXPECT_FALSE(FileExists(at(L"old")));
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
    EXPECT_FALSE(FileExists(dir_));
}

TEST_F(Demo, StartOptionStartsTheProgramAfterASilentInstall) {
    ORBRunResult r = Install(L"/START ");
    ASSERT_EQ(kInstalled, r.exitCode);
    HWND app = ProgramStartedOrSkipped(r, at(L"orbdemo.exe"), 15000);
    ASSERT_TRUE(app);
    ORBRunResult u = Uninstall(L"/S");  // ends the program before removing it
    EXPECT_EQ(kInstalled, u.exitCode);
    EXPECT_TRUE(u.HasLine(L"[inuse] asked 1 programs to close"));
    EXPECT_FALSE(IsWindow(app));
    EXPECT_FALSE(FileExists(dir_));
}

// A file held by a program the setup leaves running (/NOCLOSEAPPLICATIONS; here the test
// itself) is written beside it and replaces it at the next start: 3010, nothing asked.
// (tests/inuse covers closing the holder and the pending-rename list.)
TEST_F(Demo, SilentReinstallOverALockedFileLeavesItForTheNextStartWithoutAsking) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    std::string licence = ReadFileBytes(at(L"licence.txt"));
    {
        ORBFileHandle lock(CreateFileW(at(L"licence.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
        ASSERT_TRUE(lock);
        ORBRunResult r = Install(L"/NOCLOSEAPPLICATIONS ");
        EXPECT_EQ(3010u, r.exitCode) << Dump(r);
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_TRUE(r.HasLine(L"[inuse] cannot write " + at(L"licence.txt")));
        EXPECT_EQ(licence, ReadFileBytes(at(L"licence.txt.orbnew")));
    }
    // Once the file is free again the installation goes through.
    DeleteFileW(at(L"licence.txt.orbnew").c_str());
    EXPECT_EQ(kInstalled, Install().exitCode);
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

// The log file's lines that contain text.
std::vector<std::string> LogLinesWith(const std::wstring& log, const std::string& text) {
    std::vector<std::string> found;
    for (const std::string& line : ReadLines(log))
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

// Plain /LOG writes into %TEMP% when its name is beyond the ANSI code page (users with
// Chinese account names).
TEST_F(Demo, PlainLogSwitchWritesIntoANonAsciiTempFolder) {
    std::wstring temp = root_.file(L"t\u00EBmp \u4E2D\u6587");
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    ORBRunOptions o;
    o.exe = TestPath(L"orbdemo-setup.exe");
    o.arguments = L"/S /LOG /D=" + dir_;
    o.environment = {{L"TEMP", temp}, {L"TMP", temp}};
    o.timeoutMs = 120000;
    ORBRunResult r = ORBRunSetup(o);
    EXPECT_EQ(kInstalled, r.exitCode) << Dump(r);
    WIN32_FIND_DATAW fd;
    HANDLE found = FindFirstFileW((temp + L"\\ORB Demo_*.log").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, found) << Dump(r);
    FindClose(found);
    EXPECT_EQ(1u, LogLinesWith(temp + L"\\" + fd.cFileName, "[setup] installed ORB Demo").size());
    EXPECT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

// The thread id of a log file line ("2026-12-09 03:49:01.123 [1234] ...").
std::string LogThread(const std::string& line) {
    size_t open = line.find(" [");
    size_t close = line.find("] ", open);
    return open == std::string::npos || close == std::string::npos ? "" : line.substr(open + 2, close - open - 2);
}

TEST_F(Demo, DeploymentSwitchesInstallAndUninstallWithALogFile) {
    std::wstring log = root_.file(L"install.log");
    ORBRunResult r = RunDemo(DemoSetup(), L"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=\"" + log +
                                                                 L"\" /dir=\"" + dir_ + L"\"");
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));
    // The lines before the script named the file are in it too.
    EXPECT_EQ(1u, LogLinesWith(log, " szObjectName = ").size());
    EXPECT_EQ(1u, LogLinesWith(log, "[setup] installed ORB Demo 1.0.0 into " + Narrow(dir_)).size());

    std::wstring ulog = root_.file(L"uninstall.log");
    ORBRunResult u = Uninstall(L"/verysilent /log=" + ulog);
    ASSERT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_TRUE(u.boxes.empty());
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_EQ(1u, LogLinesWith(ulog, "[uninstall] uninstall finished").size());
}

TEST_F(Demo, HelpAndUnknownSwitchesOnBothRoads) {
    ORBRunResult quietHelp = RunDemo(DemoSetup(), L"/S /?");
    EXPECT_EQ(0u, quietHelp.exitCode);
    EXPECT_TRUE(quietHelp.boxes.empty());
    EXPECT_TRUE(quietHelp.HasLine(L"xm /VERYSILENT\t"));
    EXPECT_TRUE(quietHelp.HasLine(L"xm /START\t"));

    ORBRunResult help = RunDemo(DemoSetup(), L"/?");
    EXPECT_EQ(0u, help.exitCode);
    ASSERT_EQ(1u, help.boxes.size());
    for (const wchar_t* sw : {L"/S\t", L"/SILENT\t", L"/PASSIVE\t", L"/SUPPRESSMSGBOXES\t", L"/D=<folder>\t",
                              L"/DIR=<folder>\t", L"/LOG[=<file>]\t", L"/NORESTART\t", L"/LANG=<code>\t", L"/NOAUTOSTART\t"})
        EXPECT_NE(std::wstring::npos, help.boxes[0].text.find(sw)) << Narrow(sw);
    // /LANG also picks the language of the list.
    ORBRunResult zhHelp = RunDemo(DemoSetup(), L"/LANG=zh-CN /?");
    ASSERT_EQ(1u, zhHelp.boxes.size());
    EXPECT_NE(std::wstring::npos, zhHelp.boxes[0].text.find(L"/D=<\u6587\u4ef6\u5939>\t"));  // "文件夹"

    ORBRunResult quietBad = RunDemo(DemoSetup(), L"/BOGUS /VERYSILENT /D=" + dir_);
    EXPECT_EQ(kBadCommandLine, quietBad.exitCode);
    EXPECT_TRUE(quietBad.boxes.empty());
    EXPECT_TRUE(quietBad.HasLine(L"/BOGUS"));
    EXPECT_FALSE(FileExists(dir_));

    ORBRunResult bad = RunDemo(DemoSetup(), L"/LANG /D=" + dir_);
    EXPECT_EQ(kBadCommandLine, bad.exitCode);
    ASSERT_EQ(1u, bad.boxes.size());
    EXPECT_NE(std::wstring::npos, bad.boxes[0].text.find(L"/LANG"));
    EXPECT_FALSE(FileExists(dir_));
}

// A folder the line cannot have meant is a bad command line, and with a quiet switch
// anywhere on the line nothing is shown. /D= takes the rest of the line as it stands.
TEST_F(Demo, FoldersWithQuotesBadCharactersOrSwitchesAreBadCommandLines) {
    for (const std::wstring& args : {L"/DIR=\"" + dir_ + L"\\\" /S", L"/S /D=" + dir_ + L" /NORESTART",
                                     L"/D=" + dir_ + L" /S", L"/VERYSILENT /DIR=\"" + dir_ + L"<x\""}) {
        ORBRunResult r = RunDemo(TestPath(L"orbdemo-setup.exe"), args);
        EXPECT_EQ(kBadCommandLine, r.exitCode) << Narrow(args);
        EXPECT_TRUE(r.boxes.empty()) << Narrow(args);
        EXPECT_FALSE(FileExists(dir_));
    }
    dir_ = root_.file(L"Two  Spaces");
    ASSERT_EQ(kInstalled, Install().exitCode);
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

// A file the uninstaller cannot delete goes at the next restart: exit code 3010.
TEST_F(Demo, UninstallWithAFileInUseAsksForARestart) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    ORBFileHandle lock(CreateFileW(at(L"licence.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    ORBRunResult u = Uninstall(L"/S /NORESTART /NOCLOSEAPPLICATIONS");
    EXPECT_EQ(3010u, u.exitCode) << Dump(u);
    EXPECT_TRUE(u.boxes.empty());
    EXPECT_FALSE(FileExists(at(L"orbdemo.exe")));
}

// Screenshots land beside the test program, in artefacts/. A dialog that may be gone
// already (the install dialog of a quick install) is taken only when it is still there.
void Screenshot(HWND hwnd, const std::wstring& name, bool mayBeGone = false) {
    ORBFrame frame;
    bool captured = ORBCaptureWindow(hwnd, frame);
    if (!captured && mayBeGone) return;
    ASSERT_TRUE(captured) << Narrow(name);
    CreateDirectoryW(TestPath(L"artefacts").c_str(), nullptr);
    EXPECT_TRUE(ORBSaveFramePng(frame, TestPath(L"artefacts\\" + name)));
}

// The skin names the Chinese system font; under Wine map it to an installed CJK font so
// the screenshots show the labels as Windows would.
void MapSkinFontUnderWine() {
    ORBRegKey k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, k.put(), nullptr) != ERROR_SUCCESS)
        return;
    const wchar_t face[] = L"WenQuanYi Micro Hei";
    for (const wchar_t* name : {L"\u5b8b\u4f53", L"SimSun"})
        RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(face), sizeof face);
}

// Points of the skin's controls (window client pixels, from LAYOUT.XML).
const POINT kInstallBtn = {300, 252};
const POINT kUseBtn = {300, 297};
const POINT kCloseBtn = {570, 25};

// Wine takes the display language from the locale of the wine process, which ctest sets:
// English for test_demo, Chinese for test_demo_zh (tests/demo/CMakeLists.txt).
bool ChineseDisplayLanguage() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE; }

std::wstring Title(HWND hwnd) {
    wchar_t text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

// The names a screen reader reads from a dialog, in child order (empty when unreadable).
std::vector<std::wstring> AccessibleNames(HWND hwnd) {
    std::vector<std::wstring> names;
    ORBComScope com;
    ORBComPtr<IAccessible> acc;
    if (AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), acc.put_void()) != S_OK)
        return names;
    long count = 0;
    acc->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        VARIANT child;
        VariantInit(&child);
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr;
        acc->get_accName(child, &name);
        names.emplace_back(name ? name : L"");
        SysFreeString(name);
    }
    return names;
}

bool Has(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(Demo, InteractiveInstallAndUninstallThroughTheDialogs) {
    MapSkinFontUnderWine();
    // A user with an English display language and no /LANG: English throughout.
    if (ChineseDisplayLanguage()) GTEST_SKIP() << "test_demo runs this with an English display language";
    ORBTestSession s(DemoSetup(), L"/D=" + dir_);
    HWND init = s.NextDialog();
    ASSERT_TRUE(init) << Dump(s.result);
    Sleep(500);
    Screenshot(init, L"demo-1-init.png");
    EXPECT_EQ(L"ORB Demo Setup", Title(init));
    // Image-only controls are named for screen readers in the setup's language.
    const std::vector<std::wstring> names = AccessibleNames(init);
    for (const wchar_t* name : {L"Close", L"Browse", L"Install folder", L"Install now"})
        EXPECT_TRUE(Has(names, name)) << Narrow(name);

    // A second setup while the first runs: the first comes to the front, the second ends with 1618.
    ORBRunResult second = RunDemo(DemoSetup(), L"/S /D=" + dir_);
    EXPECT_EQ(kAnotherInstance, second.exitCode);
    EXPECT_TRUE(second.HasLine(L"CreateAppInstance return true"));
    EXPECT_EQ(init, GetForegroundWindow());
    EXPECT_FALSE(FileExists(at(L"orbdemo.exe")));

    ORBClickClient(init, kInstallBtn.x, kInstallBtn.y);
    HWND install = s.NextDialog(init);
    ASSERT_TRUE(install);
    Sleep(300);
    Screenshot(install, L"demo-2-install.png", true);
    HWND complete = s.NextDialog(install);
    ASSERT_TRUE(complete);
    Sleep(500);
    Screenshot(complete, L"demo-3-complete.png");
    ORBClickClient(complete, kUseBtn.x, kUseBtn.y);
    s.Finish();
    EXPECT_EQ(kInstalled, s.result.exitCode) << Dump(s.result);
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));
    EXPECT_EQ(dir_, RegText(kUninstallKey, L"InstallLocation"));

    // The start button ran the program, which reads the product key.
    HWND app = ProgramStartedOrSkipped(s.result, at(L"orbdemo.exe"), 15000);
    ASSERT_TRUE(app);
    Sleep(500);
    Screenshot(app, L"demo-4-program.png");

    // Uninstall through its message boxes: it names the running program and closes it
    // when asked.
    ORBRunResult u = Uninstall(L"", {IDOK, IDCONTINUE, IDOK});
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
    ASSERT_EQ(3u, u.boxes.size());
    EXPECT_NE(std::wstring::npos, u.boxes[1].text.find(L"Close them and continue"));
    EXPECT_EQ(0u, u.boxes[2].text.find(L"ORB Demo was removed"));
    EXPECT_FALSE(IsWindow(app));
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_FALSE(KeyExists(kUninstallKey));
}

// /LANG=zh-CN (on a machine with an English display language): Chinese throughout, the
// setup's own texts, the dialogs' and the script's.
TEST_F(Demo, InteractiveInstallInChineseByTheLangSwitch) {
    MapSkinFontUnderWine();
    {
        ORBTestSession s(DemoSetup(), L"/LANG=zh-CN /D=" + dir_);
        HWND init = s.NextDialog();
        ASSERT_TRUE(init) << Dump(s.result);
        Sleep(500);
        Screenshot(init, L"demo-zh-1-init.png");
        EXPECT_EQ(L"ORB Demo\u5b89\u88c5", Title(init));  // "安装"
        EXPECT_TRUE(Has(AccessibleNames(init), L"\u5173\u95ed"));  // "关闭": the close button
        ORBClickClient(init, kInstallBtn.x, kInstallBtn.y);
        HWND install = s.NextDialog(init);
        ASSERT_TRUE(install);
        Sleep(300);
        Screenshot(install, L"demo-zh-2-install.png", true);
        HWND complete = s.NextDialog(install);
        ASSERT_TRUE(complete);
        Sleep(500);
        Screenshot(complete, L"demo-zh-3-complete.png");
        ORBClickClient(complete, kCloseBtn.x, kCloseBtn.y);
        s.Finish();
        EXPECT_EQ(kInstalled, s.result.exitCode) << Dump(s.result);
    }
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

// The display's DPI for the processes started while this lives: Wine reads LogPixels
// (HKCU\Control Panel\Desktop) when a process starts. The former value comes back after.
class ScopedLogPixels {
public:
    explicit ScopedLogPixels(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, key_.put(), nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~ScopedLogPixels() {
        if (had_)
            RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else
            RegDeleteValueW(key_.get(), L"LogPixels");
    }

private:
    ORBRegKey key_;
    DWORD old_ = 0;
    bool had_ = false;
};

// A display at 200 %: every dialog is twice the size, sharp (the skin's larger images),
// and the controls answer at their doubled places; in English and by /LANG=zh-CN.
TEST_F(Demo, DialogsScaleWithTheDisplayAt200Percent) {
    if (ChineseDisplayLanguage()) GTEST_SKIP() << "test_demo runs this with an English display language";
    MapSkinFontUnderWine();
    ScopedLogPixels dpi(192);
    for (const wchar_t* lang : {L"", L"zh-"}) {
        SCOPED_TRACE(Narrow(lang));
        const std::wstring prefix = std::wstring(L"demo-") + lang + L"200-";
        ORBTestSession s(DemoSetup(), (*lang ? L"/LANG=zh-CN /D=" : L"/D=") + dir_);
        HWND init = s.NextDialog();
        ASSERT_TRUE(init) << Dump(s.result);
        RECT wr = {};
        GetWindowRect(init, &wr);
        EXPECT_EQ(1200, wr.right - wr.left);
        EXPECT_EQ(860, wr.bottom - wr.top);
        Sleep(500);
        Screenshot(init, prefix + L"1-init.png");
        ORBClickClient(init, 2 * kInstallBtn.x, 2 * kInstallBtn.y);
        HWND install = s.NextDialog(init);
        ASSERT_TRUE(install);
        Sleep(300);
        ORBFrame frame;
        if (ORBCaptureWindow(install, frame)) ORBSaveFramePng(frame, TestPath(L"artefacts\\" + prefix + L"2-install.png"));
        HWND complete = s.NextDialog(install);
        ASSERT_TRUE(complete);
        Sleep(500);
        Screenshot(complete, prefix + L"3-complete.png");
        ORBClickClient(complete, 2 * kCloseBtn.x, 2 * kCloseBtn.y);
        s.Finish();
        EXPECT_EQ(kInstalled, s.result.exitCode) << Dump(s.result);
        EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));
        ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
    }
}

// Without /LANG on a machine with a Chinese display language (test_demo_zh): Chinese,
// the setup's title and the uninstaller's question.
TEST_F(Demo, ChineseDisplayLanguageWithoutTheSwitch) {
    if (!ChineseDisplayLanguage()) GTEST_SKIP() << "test_demo_zh runs this with a Chinese display language";
    MapSkinFontUnderWine();
    {
        ORBTestSession s(DemoSetup(), L"/D=" + dir_);
        HWND init = s.NextDialog();
        ASSERT_TRUE(init) << Dump(s.result);
        Sleep(500);
        Screenshot(init, L"demo-zhui-1-init.png");
        EXPECT_EQ(L"ORB Demo\u5b89\u88c5", Title(init));  // "安装"
        EXPECT_TRUE(Has(AccessibleNames(init), L"\u5173\u95ed"));  // "关闭": the close button
        PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
        s.Finish();
    }
    ASSERT_EQ(kInstalled, Install().exitCode);
    ORBRunResult u = Uninstall(L"", {IDCANCEL});
    EXPECT_EQ(kCancelled, u.exitCode) << Dump(u);
    ASSERT_EQ(1u, u.boxes.size());
    EXPECT_EQ(0u, u.boxes[0].text.find(L"\u786e\u5b9a\u8981\u5b8c\u5168\u79fb\u9664 ORB Demo"));  // "确定要完全移除"
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

// Progress only: the install dialog appears and closes by itself, nothing is asked; the
// log file holds the lines of both threads (ORBSE_OnInstall runs on the worker).
TEST_F(Demo, PassiveRunShowsProgressOnlyAndLogsBothThreads) {
    std::wstring log = root_.file(L"passive.log");
    ORBTestSession s(DemoSetup(), L"/PASSIVE /LOG=" + log + L" /D=" + dir_);
    HWND install = s.NextDialog();
    ASSERT_TRUE(install) << Dump(s.result);
    Sleep(300);
    ORBFrame frame;
    if (ORBCaptureWindow(install, frame)) {
        CreateDirectoryW(TestPath(L"artefacts").c_str(), nullptr);
        ORBSaveFramePng(frame, TestPath(L"artefacts\\demo-5-passive.png"));
    }
    s.Finish();
    EXPECT_EQ(kInstalled, s.result.exitCode) << Dump(s.result);
    EXPECT_TRUE(s.result.boxes.empty());
    EXPECT_TRUE(s.result.HasLine(L"xm PassiveInstall ~!"));
    EXPECT_TRUE(s.result.HasLine(L"xm node <Dlg name=\"CompleteDlg\"> is hide!"));
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));

    std::vector<std::string> main = LogLinesWith(log, "[setup] ORB Demo 1.0.0 setup");
    std::vector<std::string> worker = LogLinesWith(log, " files unpacked");
    std::vector<std::string> done = LogLinesWith(log, "[setup] setup finished");
    ASSERT_EQ(1u, main.size());
    ASSERT_EQ(1u, worker.size());
    ASSERT_EQ(1u, done.size());
    EXPECT_NE(LogThread(main[0]), LogThread(worker[0]));
    EXPECT_EQ(LogThread(main[0]), LogThread(done[0]));
    ASSERT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

}  // namespace
