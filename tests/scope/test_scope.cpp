// The template's scopes end to end: a per-user product installs and uninstalls without
// touching anything machine-wide, a dual-scope product starts itself again elevated
// for all users and hands that run's exit code and log back, and a 64-bit product goes
// to the native folders and the 64-bit registry view, or is refused on 32-bit Windows.
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "orbhandle.h"
#include "orbrunwindow.h"
#include "orbtestutil.h"

namespace {

constexpr DWORD kInstalled = 0, kFailed = 1603, kBadCommandLine = 87;
const wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Env(const wchar_t* name) {
    wchar_t buf[2048] = {};
    DWORD n = GetEnvironmentVariableW(name, buf, 2048);
    return n && n < 2048 ? buf : L"";
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = 0) {
    ORBRegKey k;
    return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, k.put()) == ERROR_SUCCESS;
}

std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view = 0) {
    ORBRegKey k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, k.put())) return L"<missing>";
    wchar_t buf[2048] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    if (RegQueryValueExW(k.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size)) return L"<missing>";
    return buf;
}

void ListKeys(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& tag, std::set<std::wstring>& out) {
    ORBRegKey k;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, k.put())) return;
    out.insert(tag + path);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = 256;
        if (RegEnumKeyExW(k.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr)) break;
        ListKeys(root, path + L"\\" + name, view, tag, out);
    }
}

void ListFiles(const std::wstring& dir, std::set<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        out.insert(dir + L"\\" + name);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ListFiles(dir + L"\\" + name, out);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

// What a per-user installation must leave alone: the machine's registry (both views)
// and the machine-wide folders.
std::set<std::wstring> MachineWide() {
    std::set<std::wstring> all;
    ListKeys(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY, L"HKLM64\\", all);
    ListKeys(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY, L"HKLM32\\", all);
    for (const wchar_t* v : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"})
        if (!Env(v).empty()) ListFiles(Env(v), all);
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_APPDATA})
        ListFiles(SpecialFolder(csidl), all);
    return all;
}

std::string Difference(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
    std::string text;
    std::vector<std::wstring> d;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(d));
    for (const auto& x : d) text += (before.count(x) ? "- " : "+ ") + Narrow(x) + "\n";
    return text;
}

ORBRunResult RunSetup(const std::wstring& exe, const std::wstring& args,
                      std::vector<std::pair<std::wstring, std::wstring>> environment = {}) {
    ORBRunOptions o;
    o.arguments = args;
    o.environment = std::move(environment);
    o.timeoutMs = 120000;
    if (exe.find(L'\\') != std::wstring::npos) {
        o.exe = exe;
        return ORBRunSetup(o);
    }
    return RunProduct(exe, o);
}

// Removes what a failed run may have left of a product.
void Forget(const std::wstring& product) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            RegDeleteTreeW(root, (std::wstring(kUninstallRoot) + L"ORB " + product).c_str());
            ORBRegKey k;
            if (RegOpenKeyExW(root, L"Software", 0, KEY_ALL_ACCESS | view, k.put()) == ERROR_SUCCESS)
                RegDeleteTreeW(k.get(), (L"ORB " + product).c_str());
            if (RegOpenKeyExW(root, (std::wstring(kUninstallRoot)).c_str(), 0, KEY_ALL_ACCESS | view, k.put()) ==
                ERROR_SUCCESS)
                RegDeleteTreeW(k.get(), (L"ORB " + product).c_str());
            if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_ALL_ACCESS | view,
                              k.put()) == ERROR_SUCCESS)
                RegDeleteValueW(k.get(), product.c_str());
        }
}

}  // namespace

// Per-user: %LocalAppData%\Programs, HKCU, the user's shortcuts, nothing machine-wide;
// the uninstaller removes it from there. A product for one user refuses /ALLUSERS.
TEST(PerUser, InstallAndUninstallWriteNothingMachineWide) {
    Forget(L"Scope User");
    const std::wstring dir = Env(L"LOCALAPPDATA") + L"\\Programs\\Scope User";
    const std::wstring uninstallKey = std::wstring(kUninstallRoot) + L"ORB Scope User";
    const std::wstring desktopLink = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Scope User.lnk";
    const std::wstring programs = SpecialFolder(CSIDL_PROGRAMS) + L"\\Scope User";
    const std::set<std::wstring> before = MachineWide();

    ORBRunResult r = RunSetup(L"scope-user.exe", L"/S");
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(FileExists(dir + L"\\readme.txt"));
    EXPECT_TRUE(FileExists(dir + L"\\uninst.exe"));
    EXPECT_EQ(dir, RegText(HKEY_CURRENT_USER, uninstallKey, L"InstallLocation"));
    EXPECT_EQ(L"\"" + dir + L"\\uninst.exe\" /S", RegText(HKEY_CURRENT_USER, uninstallKey, L"QuietUninstallString"));
    EXPECT_EQ(L"user", RegText(HKEY_CURRENT_USER, L"Software\\ORB Scope User", L"InstallScope"));
    EXPECT_TRUE(FileExists(desktopLink));
    EXPECT_TRUE(FileExists(programs + L"\\Scope User.lnk"));
    EXPECT_FALSE(r.HasLine(L"starting the setup again with administrator rights"));
    EXPECT_EQ("", Difference(before, MachineWide()));

    ORBRunResult u = RunSetup(dir + L"\\uninst.exe", L"/S");
    ASSERT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, uninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\ORB Scope User"));
    EXPECT_FALSE(FileExists(desktopLink));
    EXPECT_FALSE(FileExists(programs));
    EXPECT_EQ("", Difference(before, MachineWide()));

    ORBRunResult refused = RunSetup(L"scope-user.exe", L"/S /ALLUSERS");
    EXPECT_EQ(kBadCommandLine, refused.exitCode) << Dump(refused);
    EXPECT_TRUE(refused.HasLine(L"Scope User can only be installed for the current user (/CURRENTUSER)."));
    EXPECT_FALSE(FileExists(dir));
    Forget(L"Scope User");
}

// The template's optional component: downloaded into the install folder and kept (and
// later removed by the uninstaller) only when its SHA-256 and size match.
TEST(PerUser, TheOptionalComponentIsKeptOnlyWhenItMatches) {
    Forget(L"Scope User");
    ScopedTempDir src(L"component");
    ASSERT_TRUE(WriteFileBytes(src.file(L"c.txt"), "abc"));
    std::wstring url = L"file:///" + src.file(L"c.txt");
    std::replace(url.begin(), url.end(), L'\\', L'/');
    const std::wstring dir = Env(L"LOCALAPPDATA") + L"\\Programs\\Scope User";
    const std::wstring sha = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

    ORBRunResult bad = RunSetup(L"scope-user.exe", L"/S", {{L"ORB_T_COMPONENT_URL", url},
                                                           {L"ORB_T_COMPONENT_SHA", sha},
                                                           {L"ORB_T_COMPONENT_SIZE", L"4"}});
    ASSERT_EQ(kInstalled, bad.exitCode) << Dump(bad);
    EXPECT_TRUE(bad.HasLine(L"optional component component.txt not installed")) << Dump(bad);
    EXPECT_FALSE(FileExists(dir + L"\\component.txt"));

    ORBRunResult good = RunSetup(L"scope-user.exe", L"/S", {{L"ORB_T_COMPONENT_URL", url},
                                                            {L"ORB_T_COMPONENT_SHA", sha},
                                                            {L"ORB_T_COMPONENT_SIZE", L"3"}});
    ASSERT_EQ(kInstalled, good.exitCode) << Dump(good);
    EXPECT_EQ("abc", ReadFileBytes(dir + L"\\component.txt")) << Dump(good);
    ORBRunResult u = RunSetup(dir + L"\\uninst.exe", L"/S");
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_FALSE(FileExists(dir));
    Forget(L"Scope User");
}

// Dual scope, started without administrator rights: /ALLUSERS makes it start itself
// again elevated (runas) with the same command line; the first run ends with the second
// one's exit code and carries its log lines. /CURRENTUSER installs without that step.
TEST(DualScope, AllUsersRunsTheSetupAgainElevatedAndHandsBackItsCodeAndLog) {
    Forget(L"Scope Dual");
    ScopedTempDir root(L"dual");
    const std::wstring dir = root.file(L"Scope Dual");
    const std::wstring uninstallKey = std::wstring(kUninstallRoot) + L"ORB Scope Dual";

    ORBRunResult r = RunSetup(L"scope-dual.exe", L"/S /ALLUSERS /D=" + dir);
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"starting the setup again with administrator rights: /ELEVATEDRUN=")) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"the elevated run ended with exit code 0"));
    // The second run's own lines, copied into the first run's log.
    EXPECT_TRUE(r.HasLine(L"[elevated run] ")) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"[setup] installed Scope Dual 1.0.0 into " + dir)) << Dump(r);
    EXPECT_EQ(dir, RegText(HKEY_LOCAL_MACHINE, uninstallKey, L"InstallLocation"));
    EXPECT_EQ(L"machine", RegText(HKEY_LOCAL_MACHINE, L"Software\\ORB Scope Dual", L"InstallScope"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, uninstallKey));
    EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Scope Dual\\Scope Dual.lnk"));

    // The uninstaller, also started without the rights, removes from HKLM the same way.
    ORBRunResult u = RunSetup(dir + L"\\uninst.exe", L"/S");
    ASSERT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_TRUE(u.HasLine(L"starting the setup again with administrator rights")) << Dump(u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Scope Dual"));

    // A failing second run's code comes back as it is (a drive root is refused).
    ORBRunResult f = RunSetup(L"scope-dual.exe", L"/S /ALLUSERS /D=C:\\");
    EXPECT_EQ(kFailed, f.exitCode) << Dump(f);
    EXPECT_TRUE(f.HasLine(L"the elevated run ended with exit code 1603")) << Dump(f);
    EXPECT_TRUE(f.HasLine(L"[elevated run] ")) << Dump(f);

    ORBRunResult user = RunSetup(L"scope-dual.exe", L"/S /CURRENTUSER /D=" + dir);
    ASSERT_EQ(kInstalled, user.exitCode) << Dump(user);
    EXPECT_FALSE(user.HasLine(L"starting the setup again with administrator rights"));
    EXPECT_EQ(dir, RegText(HKEY_CURRENT_USER, uninstallKey, L"InstallLocation"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    ORBRunResult uu = RunSetup(dir + L"\\uninst.exe", L"/S");
    ASSERT_EQ(kInstalled, uu.exitCode) << Dump(uu);
    EXPECT_FALSE(uu.HasLine(L"starting the setup again with administrator rights"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, uninstallKey));
    Forget(L"Scope Dual");
}

// The first dialog's "for all users" box: ticked, the setup goes on in its elevated
// second run (progress only) in the folder of the path box, and ends with its code.
TEST(DualScope, TheFirstDialogsAllUsersBoxStartsTheElevatedRun) {
    Forget(L"Scope Dual UI");
    ScopedTempDir root(L"dualui");
    const std::wstring dir = root.file(L"Scope Dual UI");
    const std::wstring uninstallKey = std::wstring(kUninstallRoot) + L"ORB Scope Dual UI";
    ORBRunOptions o;
    o.exe = TestPath(L"scope-dualui.exe");
    o.arguments = L"/D=" + dir;
    o.timeoutMs = 120000;
    std::atomic<DWORD> pid{0};
    o.onStarted = [&pid](DWORD id) { pid = id; };
    ORBRunResult r;
    std::thread run([&] { r = ORBRunSetup(o); });
    for (int i = 0; i < 1000 && !pid; ++i) Sleep(10);
    HWND init = pid ? ORBWaitForWindow(pid, L"Orb_Installer", nullptr, 60000) : nullptr;
    if (init) {
        Sleep(500);
        ORBClickClient(init, 229, 332);  // AllUsersChk
        Sleep(300);
        ORBClickClient(init, 300, 252);  // InstallBtn
    }
    run.join();
    ASSERT_TRUE(init) << Dump(r);
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"chosen in the dialog: machine")) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"/ALLUSERS /PASSIVE /DIR=\"" + dir + L"\"")) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"[elevated run] ")) << Dump(r);
    EXPECT_EQ(dir, RegText(HKEY_LOCAL_MACHINE, uninstallKey, L"InstallLocation"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, uninstallKey));

    ORBRunResult u = RunSetup(dir + L"\\uninst.exe", L"/S");
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    Forget(L"Scope Dual UI");
}

// A 64-bit product: the native Program Files and the 64-bit registry view, never
// WOW6432Node; refused on 32-bit Windows (the machine's answer replaced by a seam).
TEST(SixtyFourBit, InstallsIntoTheNativeFoldersAndViewOrIsRefused) {
    Forget(L"Scope X64");
    const std::wstring native = !Env(L"ProgramW6432").empty() ? Env(L"ProgramW6432") : Env(L"ProgramFiles");
    const std::wstring dir = native + L"\\Scope X64";
    const std::wstring uninstallKey = std::wstring(kUninstallRoot) + L"ORB Scope X64";

    ORBRunResult r = RunSetup(L"scope-x64.exe", L"/S");
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(FileExists(dir + L"\\readme.txt")) << Dump(r);
    EXPECT_EQ(dir, RegText(HKEY_LOCAL_MACHINE, uninstallKey, L"InstallLocation", KEY_WOW64_64KEY));
    EXPECT_EQ(L"<missing>", RegText(HKEY_LOCAL_MACHINE, uninstallKey, L"InstallLocation", KEY_WOW64_32KEY));
    EXPECT_EQ(dir, RegText(HKEY_LOCAL_MACHINE, L"Software\\ORB Scope X64", L"InstallPath", KEY_WOW64_64KEY));

    ORBRunResult u = RunSetup(dir + L"\\uninst.exe", L"/S");
    ASSERT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\ORB Scope X64", KEY_WOW64_64KEY));

    ORBRunResult refused = RunSetup(L"scope-x64on86.exe", L"/S");
    EXPECT_EQ(kFailed, refused.exitCode) << Dump(refused);
    EXPECT_TRUE(refused.HasLine(L"Scope X64 On X86 is a 64-bit program. It cannot be installed on 32-bit Windows."))
        << Dump(refused);
    EXPECT_FALSE(FileExists(native + L"\\Scope X64 On X86"));
    Forget(L"Scope X64");
}
