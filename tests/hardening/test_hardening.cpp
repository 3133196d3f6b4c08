// Libraries planted beside a setup are never loaded: marker libraries named after
// every library the setup loads lie beside a copy of it while both roads run with
// Windows' load order (native first).
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "orbrunwindow.h"
#include "orbshell.h"
#include "orbtestutil.h"

namespace {

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
    return s;
}

std::wstring BaseName(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return Lower(cut == std::wstring::npos ? path : path.substr(cut + 1));
}

// Libraries named in the issue reports, and what a setup may pull in on some systems,
// beside those seen loaded in a plain run.
const wchar_t* const kAlwaysPlanted[] = {
    L"msimg32.dll", L"urlmon.dll", L"version.dll", L"uxtheme.dll", L"windowscodecs.dll", L"comctl32.dll",
    L"gdiplus.dll", L"riched20.dll", L"dwmapi.dll", L"userenv.dll", L"wininet.dll",
    L"iertutil.dll", L"oleacc.dll", L"winmm.dll", L"secur32.dll", L"cryptbase.dll", L"profapi.dll",
    L"textinputframework.dll", L"apphelp.dll", L"mpr.dll", L"netapi32.dll", L"wtsapi32.dll", L"ntmarta.dll",
    L"dbghelp.dll", L"sspicli.dll", L"bcrypt.dll", L"crypt32.dll", L"wintrust.dll", L"msctf.dll"};

// Never planted: the loader itself, which no override replaces, and two that Wine
// alone looks for beside the program: shcore.dll, imported by Wine's shlwapi before
// any code of the program runs (a KnownDLL on Windows 8.1 and later; Windows 7's
// shlwapi does not use it), and propsys.dll, imported by the image codecs Wine's GDI+
// loads as a COM server with the altered search order (on Windows GDI+ decodes PNG
// itself, and that order never includes the program's folder).
bool Plantable(const std::wstring& name) {
    for (const wchar_t* never : {L"ntdll.dll", L"kernel32.dll", L"kernelbase.dll", L"shcore.dll", L"propsys.dll"})
        if (name == never) return false;
    return name.size() > 4 && name.compare(name.size() - 4, 4, L".dll") == 0;
}

struct Road {
    ORBRunResult result;
    bool windowSeen = false;
};

// The silent road installs into a temp folder; the interactive road shows its first
// dialog, which is then closed.
Road RunSilent(const std::wstring& exe, const std::wstring& dir, const std::wstring& overrides) {
    ORBRunOptions o;
    o.exe = exe;
    o.arguments = L"/S /D=" + dir;
    o.workingDirectory = exe.substr(0, exe.find_last_of(L'\\'));
    if (!overrides.empty()) o.environment = {{L"WINEDLLOVERRIDES", overrides}};
    o.timeoutMs = 120000;
    return Road{ORBRunSetup(o), false};
}

Road RunInteractive(const std::wstring& exe, const std::wstring& overrides) {
    ORBRunOptions o;
    o.exe = exe;
    o.workingDirectory = exe.substr(0, exe.find_last_of(L'\\'));
    if (!overrides.empty()) o.environment = {{L"WINEDLLOVERRIDES", overrides}};
    o.timeoutMs = 120000;
    Road road;
    DWORD pid = 0;
    o.onStarted = [&](DWORD id) { pid = id; };
    std::thread driver([&] { road.result = ORBRunSetup(o); });
    while (!pid && !road.result.started) Sleep(20);
    if (HWND dlg = ORBWaitForWindow(pid, L"Orb_Installer", nullptr, 60000)) {
        road.windowSeen = true;
        Sleep(1500);  // a few frames drawn: images decoded, text drawn
        ORBPressKey(dlg, VK_F4, true);
        if (!ORBWaitForWindowGone(dlg, 20000)) PostMessageW(dlg, WM_CLOSE, 0, 0);
    }
    driver.join();
    return road;
}

std::set<std::wstring> ModuleNames(const ORBRunResult& r) {
    std::set<std::wstring> names;
    for (const std::wstring& m : r.modules) names.insert(BaseName(m));
    return names;
}

std::vector<std::wstring> LoadedFrom(const ORBRunResult& r, const std::wstring& dir) {
    std::vector<std::wstring> inside;
    std::wstring prefix = Lower(dir) + L"\\";
    for (const std::wstring& m : r.modules) {
        std::wstring p = Lower(m);
        if (p.compare(0, 4, L"\\\\?\\") == 0) p = p.substr(4);
        if (p.compare(0, prefix.size(), prefix) == 0) inside.push_back(m);
    }
    return inside;
}

std::vector<std::wstring> Markers(const std::wstring& dir) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*.loaded").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do found.push_back(fd.cFileName);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return found;
}

std::wstring Join(const std::vector<std::wstring>& v) {
    std::wstring all;
    for (const auto& s : v) all += s + L" ";
    return all;
}

}  // namespace

TEST(Planting, NoLibraryBesideTheSetupIsLoadedOnEitherRoad) {
    ScopedTempDir plain(L"plain");
    // A plain run of each road names the libraries the setup and Wine load for it.
    Road silent = RunSilent(TestPath(L"orbdemo-setup.exe"), plain.file(L"inst"), L"");
    ASSERT_EQ(0u, silent.result.exitCode);  // the sample uses the standard codes
    Road dialogs = RunInteractive(TestPath(L"orbdemo-setup.exe"), L"");
    ASSERT_TRUE(dialogs.windowSeen);
    std::set<std::wstring> names = ModuleNames(silent.result);
    std::set<std::wstring> more = ModuleNames(dialogs.result);
    names.insert(more.begin(), more.end());
    for (const wchar_t* n : kAlwaysPlanted) names.insert(n);

    ScopedTempDir planted(L"planted");
    std::wstring setup = planted.file(L"setup.exe");
    ASSERT_TRUE(CopyFileW(TestPath(L"orbdemo-setup.exe").c_str(), setup.c_str(), FALSE));
    std::wstring overrides;
    for (const std::wstring& n : names) {
        if (!Plantable(n)) continue;
        ASSERT_TRUE(CopyFileW(TestPath(L"orbmarker.dll").c_str(), planted.file(n).c_str(), FALSE)) << Narrow(n);
        overrides += (overrides.empty() ? L"" : L",") + n.substr(0, n.size() - 4);
    }
    overrides += L"=n,b;mscoree,mshtml=";

    Road s = RunSilent(setup, planted.file(L"inst"), overrides);
    EXPECT_EQ(0u, s.result.exitCode);
    EXPECT_TRUE(Markers(planted.path()).empty()) << Narrow(Join(Markers(planted.path())));
    EXPECT_TRUE(LoadedFrom(s.result, planted.path()).empty()) << Narrow(Join(LoadedFrom(s.result, planted.path())));
    EXPECT_TRUE(FileExists(planted.file(L"inst\\uninst.exe")));

    Road d = RunInteractive(setup, overrides);
    EXPECT_TRUE(d.windowSeen);
    EXPECT_TRUE(Markers(planted.path()).empty()) << Narrow(Join(Markers(planted.path())));
    EXPECT_TRUE(LoadedFrom(d.result, planted.path()).empty()) << Narrow(Join(LoadedFrom(d.result, planted.path())));
}

// Scripts name libraries too: a bare name is taken from the system folder only, a
// relative folder is refused, a full path loads that file.
TEST(Planting, ScriptLibrariesByBareNameComeFromTheSystemFolderOnly) {
    ScopedTempDir planted(L"bridge");
    std::wstring setup = planted.file(L"setup.exe");
    ASSERT_TRUE(CopyFileW(TestPath(L"hard_bridge.exe").c_str(), setup.c_str(), FALSE));
    for (const wchar_t* n : {L"orbplanted.dll", L"version.dll"})
        ASSERT_TRUE(CopyFileW(TestPath(L"orbmarker.dll").c_str(), planted.file(n).c_str(), FALSE));
    ORBRunOptions o;
    o.exe = setup;
    o.workingDirectory = planted.path();
    o.environment = {{L"ORB_T_TRACE", planted.file(L"trace.txt")},
                     {L"ORB_T_LOAD", L"orbplanted.dll|.\\orbplanted.dll|version.dll|" + TestPath(L"orbtestnative.dll")},
                     {L"ORB_T_REGSVR", L"orbplanted.dll"},
                     {L"ORB_T_GUID", L"Local\\orb-hard-" + std::to_wstring(GetCurrentProcessId())},
                     {L"WINEDLLOVERRIDES", L"version,orbplanted=n,b;mscoree,mshtml="}};
    ORBRunResult r = ORBRunSetup(o);
    EXPECT_EQ(1u, r.exitCode);
    std::vector<std::string> trace = ReadLines(planted.file(L"trace.txt"));
    ASSERT_EQ(5u, trace.size());
    EXPECT_EQ("orbplanted.dll nil 126", trace[0]);
    EXPECT_EQ(".\\orbplanted.dll nil 87", trace[1]);
    EXPECT_EQ("version.dll loaded nil", trace[2]);  // the system's own
    EXPECT_EQ(Narrow(TestPath(L"orbtestnative.dll")) + " loaded nil", trace[3]);
    EXPECT_EQ("RegSvr32 false", trace[4]);
    EXPECT_TRUE(Markers(planted.path()).empty()) << Narrow(Join(Markers(planted.path())));
}

TEST(SilentMessageBox, TheDefaultButtonAnswers) {
    EXPECT_EQ(IDOK, ORBMessageBoxDefaultAnswer(MB_OK));
    EXPECT_EQ(IDCANCEL, ORBMessageBoxDefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(IDNO, ORBMessageBoxDefaultAnswer(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION));
    EXPECT_EQ(IDIGNORE, ORBMessageBoxDefaultAnswer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON3));
    EXPECT_EQ(IDYES, ORBMessageBoxDefaultAnswer(MB_YESNO | MB_DEFBUTTON3));  // no third button
    EXPECT_EQ(IDCONTINUE, ORBMessageBoxDefaultAnswer(MB_CANCELTRYCONTINUE | MB_DEFBUTTON3));
    EXPECT_EQ(0, ORBMessageBoxDefaultAnswer(9));
}
