// The sample product with one of its files held by another program: its setup and
// uninstaller close the program (asked, or by the /CLOSEAPPLICATIONS default of silent
// runs) or leave the file for the next start of Windows with exit code 3010.
//
// Under Wine the Restart Manager lists nobody, so the holders found are the programs
// running from the install folder (the fallback); the holder therefore runs from there.
#include <cstdint>
#include <map>
#include <string>

#include "gtest/gtest.h"
#include "holderutil.h"
#include "orbhandle.h"
#include "orbrunwindow.h"
#include "orbtestsession.h"
#include "orbtestutil.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORB Demo";
const wchar_t kProductKey[] = L"Software\\ORB Demo";
constexpr DWORD kInstalled = 0, kRestartNeeded = 3010, kCancelled = 1602;
const POINT kInstallBtn = {300, 252};
const POINT kCloseBtn = {570, 25};  // the completion dialog closed: installed, nothing started

void RemoveLeftovers() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
}

ORBRunResult RunSetup(const std::wstring& exe, const std::wstring& args) {
    ORBRunOptions o;
    o.exe = exe;
    o.arguments = args;
    o.timeoutMs = 120000;
    return ORBRunSetup(o);
}

// Size of a file, read from its folder entry (works while another program holds it).
uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return ~uint64_t(0);
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class InUse : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLeftovers();
        dir_ = root_.file(L"ORB Demo");
        payloadLicence_.clear();
    }
    void TearDown() override {
        ForgetPendingRenames(root_.path());
        RemoveLeftovers();
    }
    ORBRunResult Install(const std::wstring& extra = L"") {
        return RunSetup(TestPath(L"orbdemo-setup.exe"), L"/S " + extra + L"/D=" + dir_);
    }
    ORBRunResult Uninstall(const std::wstring& args) { return RunSetup(at(L"uninst.exe"), args); }
    std::wstring at(const wchar_t* rel) const { return dir_ + L"\\" + rel; }
    // Installs, notes the payload's licence text and marks the installed copy as old.
    void InstallOld() {
        ASSERT_EQ(kInstalled, Install().exitCode);
        payloadLicence_ = ReadFileBytes(at(L"licence.txt"));
        ASSERT_FALSE(payloadLicence_.empty());
        ASSERT_TRUE(WriteFileBytes(at(L"licence.txt"), "old"));
    }

    ScopedTempDir root_{L"inuse-demo"};
    std::wstring dir_;
    std::string payloadLicence_;
};

// Another program of the product holds a file: a silent update closes it, by default
// and with /CLOSEAPPLICATIONS, and the file is replaced now.
TEST_F(InUse, SilentUpdateClosesTheProgramByDefaultAndWithTheSwitch) {
    InstallOld();
    for (const wchar_t* extra : {L"", L"/CLOSEAPPLICATIONS "}) {
        Holder holder(CopyHolderTo(dir_), at(L"licence.txt"), L"exclusive");
        ASSERT_TRUE(holder.Running());
        ORBRunResult r = Install(extra);
        EXPECT_EQ(kInstalled, r.exitCode) << Dump(r);
        EXPECT_TRUE(holder.Ends(5000)) << "still running after " << Narrow(extra);
        EXPECT_TRUE(r.HasLine(L"[inuse] orbholder.exe (process " + std::to_wstring(holder.pid())));
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_EQ(payloadLicence_, ReadFileBytes(at(L"licence.txt")));
        ASSERT_TRUE(WriteFileBytes(at(L"licence.txt"), "old"));
    }
}

// /NOCLOSEAPPLICATIONS leaves it running: the new file waits beside the old one and
// Windows moves it into place at the next start (the pending-rename list); exit 3010.
TEST_F(InUse, SilentUpdateWithoutClosingReplacesTheFileAtTheNextStart) {
    InstallOld();
    Holder holder(CopyHolderTo(dir_), at(L"licence.txt"), L"exclusive");
    ASSERT_TRUE(holder.Running());
    ORBRunResult r = Install(L"/NOCLOSEAPPLICATIONS ");
    EXPECT_EQ(kRestartNeeded, r.exitCode) << Dump(r);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_TRUE(holder.Running());
    EXPECT_EQ(payloadLicence_, ReadFileBytes(at(L"licence.txt.orbnew")));
    EXPECT_TRUE(HasPendingRename(at(L"licence.txt.orbnew"), at(L"licence.txt")));
    EXPECT_FALSE(FileExists(at(L"~orb-pending")));
    EXPECT_TRUE(FileExists(at(L"orbdemo.exe")));

    // The next start, as Windows performs it once the program has gone.
    TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, holder.pid()), 0);
    ASSERT_TRUE(holder.Ends(5000));
    ASSERT_TRUE(MoveFileExW(at(L"licence.txt.orbnew").c_str(), at(L"licence.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(payloadLicence_, ReadFileBytes(at(L"licence.txt")));
    EXPECT_EQ(kInstalled, Uninstall(L"/S").exitCode);
}

// A holder that lets others delete the file (FILE_SHARE_DELETE) does not stop the
// update: the old file is renamed aside and the new one written now, no restart.
TEST_F(InUse, HolderThatAllowsDeletionIsReplacedWithoutARestart) {
    InstallOld();
    {
        Holder holder(TestPath(L"orbholder.exe"), at(L"licence.txt"), L"sharedelete");
        ASSERT_TRUE(holder.Running());
        ORBRunResult r = Install(L"/NOCLOSEAPPLICATIONS ");
        EXPECT_EQ(kInstalled, r.exitCode) << Dump(r);
        EXPECT_TRUE(holder.Running());
        EXPECT_EQ(payloadLicence_, ReadFileBytes(at(L"licence.txt")));
        EXPECT_FALSE(FileExists(at(L"licence.txt.orbnew")));
    }
    EXPECT_FALSE(FileExists(at(L"licence.txt.orbold")));
    EXPECT_EQ(kInstalled, Uninstall(L"/S").exitCode);
    EXPECT_FALSE(FileExists(dir_));
}

// The user is shown the program by name: Cancel keeps everything as it was (1602);
// Retry asks again; "Close them and continue" closes it and installs.
TEST_F(InUse, InteractiveUpdateNamesTheProgramAndClosesItWhenAsked) {
    InstallOld();
    Holder holder(CopyHolderTo(dir_), at(L"licence.txt"), L"exclusive");
    ASSERT_TRUE(holder.Running());
    {
        ORBTestSession s(TestPath(L"orbdemo-setup.exe"), L"/LANG=en /D=" + dir_, {IDCANCEL});
        HWND init = s.NextDialog();
        ASSERT_TRUE(init) << Dump(s.result);
        ORBClickClient(init, kInstallBtn.x, kInstallBtn.y);
        s.Finish();
        EXPECT_EQ(kCancelled, s.result.exitCode) << Dump(s.result);
        ASSERT_EQ(1u, s.result.boxes.size());
        EXPECT_NE(std::wstring::npos, s.result.boxes[0].text.find(L"orbholder.exe")) << Dump(s.result);
        EXPECT_NE(std::wstring::npos, s.result.boxes[0].text.find(L"Close them and continue"));
        EXPECT_TRUE(holder.Running());
        EXPECT_EQ(3u, FileSize(at(L"licence.txt")));  // still "old"; the holder lets nobody read it
    }
    ORBTestSession s(TestPath(L"orbdemo-setup.exe"), L"/LANG=en /D=" + dir_, {IDTRYAGAIN, IDCONTINUE});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    ORBClickClient(init, kInstallBtn.x, kInstallBtn.y);
    HWND install = s.NextDialog(init);
    ASSERT_TRUE(install);
    HWND complete = s.NextDialog(install);
    ASSERT_TRUE(complete) << Dump(s.result);
    ORBClickClient(complete, kCloseBtn.x, kCloseBtn.y);
    s.Finish();
    EXPECT_EQ(kInstalled, s.result.exitCode) << Dump(s.result);
    EXPECT_EQ(2u, s.result.boxes.size());
    EXPECT_TRUE(holder.Ends(5000));
    EXPECT_EQ(payloadLicence_, ReadFileBytes(at(L"licence.txt")));
}

// Cancel in the middle of unpacking (a new install into a folder with files of its own,
// one of them held and named like a file of the payload): what the install wrote goes
// again (1602), the folder's own files stay as they were, no uninstall entry.
TEST_F(InUse, CancelWhileUnpackingUndoesTheInstall) {
    ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(at(L"licence.txt"), "mine"));
    ASSERT_TRUE(WriteFileBytes(at(L"notes.txt"), "kept"));
    Holder holder(CopyHolderTo(dir_), at(L"licence.txt"), L"exclusive");
    ASSERT_TRUE(holder.Running());
    const auto before = FolderTree(dir_, false);
    ORBTestSession s(TestPath(L"orbdemo-setup.exe"), L"/LANG=en /D=" + dir_, {IDCANCEL});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init) << Dump(s.result);
    ORBClickClient(init, kInstallBtn.x, kInstallBtn.y);
    s.Finish();
    EXPECT_EQ(kCancelled, s.result.exitCode) << Dump(s.result);
    ASSERT_EQ(1u, s.result.boxes.size()) << Dump(s.result);
    EXPECT_NE(std::wstring::npos, s.result.boxes[0].text.find(L"orbholder.exe"));
    EXPECT_TRUE(s.result.HasLine(L"undoing the install")) << Dump(s.result);
    EXPECT_EQ(before, FolderTree(dir_, false)) << Dump(s.result);
    EXPECT_EQ("kept", ReadFileBytes(at(L"notes.txt")));
    ORBRegKey entry;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, entry.put()));
}

// A program that will not close: the file waits for the next start, and the user is told
// at the end (3010).
TEST_F(InUse, InteractiveUpdateWithAProgramThatWillNotCloseTellsOfTheRestart) {
    InstallOld();
    Holder holder(CopyHolderTo(dir_), at(L"licence.txt"), L"exclusive", true);
    ASSERT_TRUE(holder.Running());
    ORBTestSession s(TestPath(L"orbdemo-setup.exe"), L"/LANG=en /D=" + dir_, {IDCONTINUE, IDOK});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    ORBClickClient(init, kInstallBtn.x, kInstallBtn.y);
    HWND install = s.NextDialog(init);
    ASSERT_TRUE(install);
    HWND complete = s.NextDialog(install);
    ASSERT_TRUE(complete) << Dump(s.result);
    ORBClickClient(complete, kCloseBtn.x, kCloseBtn.y);
    s.Finish();
    EXPECT_EQ(kRestartNeeded, s.result.exitCode) << Dump(s.result);
    ASSERT_EQ(2u, s.result.boxes.size()) << Dump(s.result);
    EXPECT_NE(std::wstring::npos, s.result.boxes[1].text.find(L"Windows restarts"));
    EXPECT_TRUE(holder.Running());
    EXPECT_TRUE(HasPendingRename(at(L"licence.txt.orbnew"), at(L"licence.txt")));
}

// The uninstaller: /NOCLOSEAPPLICATIONS leaves the held file for deletion at the next
// start (3010); by default the program is closed and everything goes now.
TEST_F(InUse, SilentUninstallClosesTheProgramOrDeletesTheFileAtTheNextStart) {
    ASSERT_EQ(kInstalled, Install().exitCode);
    {
        Holder holder(CopyHolderTo(dir_), at(L"readme.txt"), L"exclusive");
        ORBRunResult u = Uninstall(L"/S /NOCLOSEAPPLICATIONS");
        EXPECT_EQ(kRestartNeeded, u.exitCode) << Dump(u);
        EXPECT_TRUE(holder.Running());
        EXPECT_TRUE(HasPendingRename(at(L"readme.txt"), L""));
        EXPECT_FALSE(FileExists(at(L"orbdemo.exe")));
    }
    ForgetPendingRenames(root_.path());
    ASSERT_EQ(kInstalled, Install().exitCode);
    Holder holder(CopyHolderTo(dir_), at(L"readme.txt"), L"exclusive");
    ORBRunResult u = Uninstall(L"/S");
    EXPECT_EQ(kInstalled, u.exitCode) << Dump(u);
    EXPECT_TRUE(holder.Ends(5000));
    EXPECT_FALSE(FileExists(at(L"readme.txt")));
    EXPECT_FALSE(HasPendingRename(at(L"readme.txt"), L""));
}

}  // namespace
