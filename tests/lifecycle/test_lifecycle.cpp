// One product at two versions (life-v1-setup.exe, life-v2-setup.exe, built from the
// template's scripts): upgrades, downgrades, repairs, moves to another folder, and
// installs that fail, are killed or fail half way through an uninstall. What a run
// leaves is compared with a snapshot of the install folder and the product's keys.
#include <shlobj.h>

#include <map>
#include <string>

#include "gtest/gtest.h"
#include "orbhandle.h"
#include "orbtestpending.h"
#include "orbtestutil.h"

namespace {

const wchar_t kEntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORBLifeTest";
const wchar_t kProductKey[] = L"Software\\ORB Life";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

constexpr DWORD kInstalled = 0, kRestartNeeded = 3010, kFailed = 1603, kOtherVersion = 1638;

bool KeyExists(const wchar_t* key) {
    ORBRegKey k;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

std::wstring DesktopLink() { return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\ORB Life.lnk"; }
std::wstring StartMenuFolder() { return SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\ORB Life"; }

// Every value of key and its subkeys, as "sub\name=type:bytes".
void DumpKey(HKEY root, const std::wstring& key, const std::wstring& prefix, std::map<std::wstring, std::string>& out) {
    ORBRegKey k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return;
    out[prefix] = "<key>";
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLen = 16384, type = 0, size = 0;
        if (RegEnumValueW(k.get(), i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLen = 16384;
        RegEnumValueW(k.get(), i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        out[prefix + L"\\" + name] = std::to_string(type) + ":" + data;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256;
        if (RegEnumKeyExW(k.get(), i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DumpKey(root, key + L"\\" + name, prefix + L"\\" + name, out);
    }
}

// The folder, the product's keys, its Run value and its shortcuts (a shortcut made again
// differs in the target's times it holds, and the install dates are written again:
// linkBytes false compares only that a shortcut exists, and no dates).
std::map<std::wstring, std::string> Snapshot(const std::wstring& dir, bool linkBytes = true) {
    std::map<std::wstring, std::string> s;
    for (auto& kv : FolderTree(dir)) s[L"dir:" + kv.first] = std::move(kv.second);
    if (FileExists(dir)) s[L"dir:"] = "<dir>";
    DumpKey(HKEY_LOCAL_MACHINE, kEntryKey, L"entry", s);
    DumpKey(HKEY_LOCAL_MACHINE, kProductKey, L"product", s);
    s[L"run"] = Narrow(RegText(kRunKey, L"ORB Life"));
    s[L"desktop"] = linkBytes ? ReadFileBytes(DesktopLink()) : FileExists(DesktopLink()) ? "yes" : "no";
    s[L"startmenu"] = FileExists(StartMenuFolder()) ? "yes" : "no";
    if (!linkBytes) {
        s.erase(L"entry\\InstallDate");
        s.erase(L"product\\InstallDate");
    }
    return s;
}

std::string Diff(const std::map<std::wstring, std::string>& a, const std::map<std::wstring, std::string>& b) {
    std::string out;
    for (const auto& kv : a) {
        auto it = b.find(kv.first);
        if (it == b.end()) out += "gone: " + Narrow(kv.first) + "\n";
        else if (it->second != kv.second) out += "changed: " + Narrow(kv.first) + "\n";
    }
    for (const auto& kv : b)
        if (!a.count(kv.first)) out += "new: " + Narrow(kv.first) + "\n";
    return out;
}

void RemoveLeftovers() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kEntryKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    ORBRegKey run;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, run.put()) == ERROR_SUCCESS)
        RegDeleteValueW(run.get(), L"ORB Life");
    DeleteFileW(DesktopLink().c_str());
    DeleteFileW((SpecialFolder(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch\\ORB Life.lnk").c_str());
    for (const wchar_t* n : {L"\\ORB Life.lnk", L"\\Uninstall ORB Life.lnk", L"\\Readme.lnk"})
        DeleteFileW((StartMenuFolder() + n).c_str());
    RemoveDirectoryW(StartMenuFolder().c_str());
}

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLeftovers();
        dir_ = root_.file(L"ORB Life");
    }
    void TearDown() override { RemoveLeftovers(); }

    static ORBRunOptions Options(const std::wstring& exe, const std::wstring& args, const wchar_t* inject = nullptr) {
        ORBRunOptions o;
        o.exe = exe;
        o.arguments = args;
        o.timeoutMs = 120000;
        if (inject) o.environment = {{L"ORB_LIFE_FAIL", inject}};
        return o;
    }
    ORBRunResult Setup(int version, const std::wstring& args, const wchar_t* inject = nullptr) {
        return ORBRunSetup(Options(TestPath(L"life-v" + std::to_wstring(version) + L"-setup.exe"), args, inject));
    }
    ORBRunResult Install(int version, const std::wstring& extra = L"", const wchar_t* inject = nullptr) {
        return Setup(version, L"/S " + extra + L"/D=" + dir_, inject);
    }
    ORBRunResult Uninstall(const wchar_t* inject = nullptr) {
        return ORBRunSetup(Options(at(L"uninst.exe"), L"/S", inject));
    }
    std::wstring at(const wchar_t* rel) const { return dir_ + L"\\" + rel; }

    ScopedTempDir root_{L"life"};
    std::wstring dir_;
};

TEST_F(Lifecycle, UpgradeRefusedDowngradeAllowedDowngradeAndRepair) {
    ORBRunResult v1 = Install(1);
    ASSERT_EQ(kInstalled, v1.exitCode) << Dump(v1);
    EXPECT_EQ(L"1.0", RegText(kEntryKey, L"DisplayVersion"));
    EXPECT_TRUE(FileExists(at(L"only1.txt")));

    // 2.0 over 1.0 without /D=: into the installed copy's folder.
    ORBRunResult v2 = Setup(2, L"/S");
    ASSERT_EQ(kInstalled, v2.exitCode) << Dump(v2);
    EXPECT_TRUE(v2.HasLine(L"ORB Life 1.0 is installed in " + dir_ + L" and will be updated to 2.0."));
    EXPECT_EQ(L"2.0", RegText(kEntryKey, L"DisplayVersion"));
    EXPECT_EQ(dir_, RegText(kEntryKey, L"InstallLocation"));
    EXPECT_EQ(L"2", RegText(kEntryKey, L"VersionMajor"));
    EXPECT_EQ(L"0", RegText(kEntryKey, L"VersionMinor"));
    EXPECT_EQ(L"https://example.com/orb-life/help", RegText(kEntryKey, L"HelpLink"));
    EXPECT_EQ(L"https://example.com/orb-life/update", RegText(kEntryKey, L"URLUpdateInfo"));
    EXPECT_EQ(L"1", RegText(kEntryKey, L"NoModify"));
    EXPECT_EQ(L"0", RegText(kEntryKey, L"NoRepair"));  // the same version repairs
    EXPECT_EQ(L"\"" + at(L"uninst.exe") + L"\" /S", RegText(kEntryKey, L"QuietUninstallString"));
    // The files installed: a few small texts and the uninstaller, well under 2 MB.
    DWORD size = std::stoul(RegText(kEntryKey, L"EstimatedSize"));
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, 2048u);
    EXPECT_FALSE(FileExists(at(L"only1.txt")));
    EXPECT_EQ("only in 2.0\n", ReadFileBytes(at(L"only2.txt")));
    EXPECT_EQ("common, 2.0\n", ReadFileBytes(at(L"sub\\common.txt")));
    EXPECT_EQ("new in 2.0\n", ReadFileBytes(at(L"sub2\\new.txt")));
    // Nothing kept aside is left behind.
    EXPECT_FALSE(FileExists(at(L"sub\\common.txt.orb-old")));

    // 1.0 over 2.0: refused, silently and with a message, nothing changed.
    auto before = Snapshot(dir_);
    auto shape = Snapshot(dir_, false);
    ORBRunResult down = Install(1);
    EXPECT_EQ(kOtherVersion, down.exitCode) << Dump(down);
    EXPECT_TRUE(down.boxes.empty());
    ORBRunResult asked = Setup(1, L"/D=" + dir_);
    EXPECT_EQ(kOtherVersion, asked.exitCode);
    ASSERT_EQ(1u, asked.boxes.size()) << Dump(asked);
    EXPECT_NE(std::wstring::npos, asked.boxes[0].text.find(L"2.0")) << Narrow(asked.boxes[0].text);
    EXPECT_NE(std::wstring::npos, asked.boxes[0].text.find(L"/ALLOWDOWNGRADE"));
    EXPECT_EQ("", Diff(before, Snapshot(dir_)));

    // 2.0 again: a repair, the files written again.
    ASSERT_TRUE(WriteFileBytes(at(L"sub2\\new.txt"), "damaged"));
    ORBRunResult repair = Install(2);
    EXPECT_EQ(kInstalled, repair.exitCode) << Dump(repair);
    EXPECT_TRUE(repair.HasLine(L"(repair)"));
    EXPECT_EQ("", Diff(shape, Snapshot(dir_, false))) << Dump(repair);

    // /ALLOWDOWNGRADE: 1.0 goes in after all.
    ORBRunResult allowed = Install(1, L"/ALLOWDOWNGRADE ");
    EXPECT_EQ(kInstalled, allowed.exitCode) << Dump(allowed);
    EXPECT_EQ(L"1.0", RegText(kEntryKey, L"DisplayVersion"));
    EXPECT_FALSE(FileExists(at(L"only2.txt")));
    EXPECT_FALSE(FileExists(at(L"sub2")));
    EXPECT_EQ("common, 1.0\n", ReadFileBytes(at(L"sub\\common.txt")));

    ASSERT_EQ(kInstalled, Uninstall().exitCode);
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_FALSE(KeyExists(kEntryKey));
}

TEST_F(Lifecycle, UpgradeIntoAnotherFolderRemovesTheFirstCopy) {
    ASSERT_EQ(kInstalled, Install(1).exitCode);
    const std::wstring first = dir_;
    dir_ = root_.file(L"Elsewhere");
    ORBRunResult r = Install(2);
    ASSERT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_FALSE(FileExists(first)) << Dump(r);
    EXPECT_EQ(dir_, RegText(kEntryKey, L"InstallLocation"));
    EXPECT_EQ(dir_, RegText(kProductKey, L"InstallPath"));
    EXPECT_TRUE(FileExists(at(L"only2.txt")));
    // The shortcuts are the new copy's.
    EXPECT_TRUE(FileExists(DesktopLink()));
    ASSERT_EQ(kInstalled, Uninstall().exitCode);
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_FALSE(FileExists(DesktopLink()));
}

// Failures after changes began: the machine is as before, with and without 1.0 there
// (a new install into folders that do not exist yet: they go again).
TEST_F(Lifecycle, FailedInstallsLeaveEverythingAsItWas) {
    const std::wstring nested = root_.file(L"a\\b\\ORB Life");
    ORBRunResult fresh = Setup(2, L"/S /D=" + nested, L"script");
    EXPECT_EQ(kFailed, fresh.exitCode) << Dump(fresh);
    EXPECT_FALSE(FileExists(root_.file(L"a"))) << Dump(fresh);
    for (bool previous : {false, true}) {
        SCOPED_TRACE(previous ? "over 1.0" : "nothing installed");
        if (previous) {
            ASSERT_EQ(kInstalled, Install(1).exitCode);
        }
        auto before = Snapshot(dir_);
        for (const wchar_t* inject : {L"script", L"regwrite"}) {
            ORBRunResult r = Install(2, L"", inject);
            EXPECT_EQ(kFailed, r.exitCode) << Narrow(inject) << Dump(r);
            EXPECT_TRUE(r.boxes.empty());
            EXPECT_EQ("", Diff(before, Snapshot(dir_))) << Narrow(inject) << Dump(r);
        }
        if (previous) {
            // A file held open by another program, that cannot be replaced at the next
            // start either, fails the run after the other files were written.
            ORBFileHandle lock(CreateFileW(at(L"sub\\common.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                           nullptr));
            ASSERT_TRUE(lock);
            ORBRunResult r = Install(2, L"", L"noreboot");
            EXPECT_EQ(kFailed, r.exitCode) << Dump(r);
            lock.reset();
            EXPECT_EQ("", Diff(before, Snapshot(dir_))) << Dump(r);
        }
    }
    ASSERT_EQ(kInstalled, Uninstall().exitCode);
}

// A held file that can be replaced at the next start: the upgrade is done and says so
// (3010), the new content waiting beside the old.
TEST_F(Lifecycle, HeldFileIsReplacedAtTheNextStart) {
    ASSERT_EQ(kInstalled, Install(1).exitCode);
    {
        ORBFileHandle lock(CreateFileW(at(L"sub\\common.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
        ASSERT_TRUE(lock);
        ORBRunResult r = Install(2);
        EXPECT_EQ(kRestartNeeded, r.exitCode) << Dump(r);
    }
    EXPECT_EQ(L"2.0", RegText(kEntryKey, L"DisplayVersion"));
    EXPECT_EQ("common, 1.0\n", ReadFileBytes(at(L"sub\\common.txt")));
    EXPECT_EQ("common, 2.0\n", ReadFileBytes(at(L"sub\\common.txt.orbnew")));
    EXPECT_TRUE(HasPendingRename(at(L"sub\\common.txt.orbnew"), at(L"sub\\common.txt")));
    ForgetPendingRenames(dir_);
    // An uninstall before that start takes the waiting file too.
    ASSERT_EQ(kInstalled, Uninstall().exitCode);
    EXPECT_FALSE(FileExists(dir_));
}

// A setup killed while unpacking: the next run undoes it first, then installs.
TEST_F(Lifecycle, KilledInstallIsRolledBackByTheNextRun) {
    ASSERT_EQ(kInstalled, Install(1).exitCode);
    auto before = Snapshot(dir_);
    ORBRunOptions o = Options(TestPath(L"life-v2-setup.exe"), L"/S /D=" + dir_);
    DWORD pid = 0;
    o.onStarted = [&](DWORD id) { pid = id; };
    // The payload is in; the uninstaller is next. The process stands still while the
    // driver reads the line, so it dies right there.
    o.onLine = [&](const std::wstring& line) {
        if (line.find(L"UnCompress UNINST.7Z") == std::wstring::npos) return;
        ORBHandle p(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
        if (p) TerminateProcess(p.get(), 99);
    };
    ORBRunResult killed = ORBRunSetup(o);
    ASSERT_EQ(99u, killed.exitCode) << Dump(killed);
    EXPECT_TRUE(FileExists(at(L"only2.txt")));  // half done
    EXPECT_EQ(L"1.0", RegText(kEntryKey, L"DisplayVersion"));

    // The next run undoes it first, whatever it then does (here: a bad command line).
    ORBRunResult again = Setup(2, L"/S /BOGUS");
    EXPECT_EQ(87u, again.exitCode) << Dump(again);
    EXPECT_TRUE(again.HasLine(L"an earlier run did not finish"));
    EXPECT_EQ("", Diff(before, Snapshot(dir_)));

    ORBRunResult killed2 = ORBRunSetup(o);
    ASSERT_EQ(99u, killed2.exitCode);
    ORBRunResult upgrade = Install(2);
    EXPECT_EQ(kInstalled, upgrade.exitCode) << Dump(upgrade);
    EXPECT_TRUE(upgrade.HasLine(L"an earlier run did not finish"));
    EXPECT_EQ(L"2.0", RegText(kEntryKey, L"DisplayVersion"));
    EXPECT_FALSE(FileExists(at(L"only1.txt")));
    ASSERT_EQ(kInstalled, Uninstall().exitCode);
}

TEST_F(Lifecycle, UninstallThatFailsHalfWayKeepsItsEntry) {
    ASSERT_EQ(kInstalled, Install(2).exitCode);
    ORBRunResult u = Uninstall(L"uninstall");
    EXPECT_EQ(kFailed, u.exitCode) << Dump(u);
    EXPECT_EQ(dir_, RegText(kEntryKey, L"InstallLocation"));
    EXPECT_TRUE(FileExists(at(L"uninst.exe")));
    // Run again from the entry, it finishes.
    ORBRunResult again = Uninstall();
    EXPECT_EQ(kInstalled, again.exitCode) << Dump(again);
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(KeyExists(kProductKey));
}

// An entry edited by hand is not trusted: the setup installs as if nothing were there.
TEST_F(Lifecycle, CorruptEntryCountsAsNotInstalled) {
    ASSERT_EQ(kInstalled, Install(2).exitCode);
    const std::wstring version = L"two";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayVersion", REG_SZ, version.c_str(),
                                             static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))));
    ORBRunResult r = Install(1);
    EXPECT_EQ(kInstalled, r.exitCode) << Dump(r);
    EXPECT_TRUE(r.HasLine(L"is not trusted"));
    EXPECT_EQ(L"1.0", RegText(kEntryKey, L"DisplayVersion"));

    const std::wstring windows = L"C:\\Windows";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kEntryKey, L"InstallLocation", REG_SZ,
                                             windows.c_str(), static_cast<DWORD>((windows.size() + 1) * sizeof(wchar_t))));
    ORBRunResult w = Install(2);
    EXPECT_EQ(kInstalled, w.exitCode) << Dump(w);
    EXPECT_TRUE(w.HasLine(L"is not trusted"));
    EXPECT_FALSE(FileExists(L"C:\\Windows\\only2.txt"));
    EXPECT_EQ(dir_, RegText(kEntryKey, L"InstallLocation"));
    ORBRunResult u = Uninstall();
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
}

}  // namespace
