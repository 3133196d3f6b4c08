// A product written from the guides alone installs silently into the folder given with
// /D= and its uninstaller removes everything again, folders included.
#include "gtest/gtest.h"
#include "orbhandle.h"
#include "orbtestutil.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Field Notes";
const wchar_t kProductKey[] = L"Software\\Field Notes";

std::wstring UninstallText(const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

std::wstring Log(const ORBRunResult& r) {
    std::wstring all;
    for (const std::wstring& l : r.lines) all += l;
    return all;
}

}  // namespace

TEST(Guide, ProductWrittenFromTheGuidesInstallsAndUninstallsCleanly) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
    ScopedTempDir d(L"guide");
    const std::wstring dir = d.file(L"FieldNotes");

    ORBRunOptions setup;
    setup.arguments = L"/S /D=" + dir;
    setup.timeoutMs = 120000;
    ORBRunResult r = RunProduct(L"fieldnotes-setup.exe", setup);
    ASSERT_EQ(1u, r.exitCode) << Narrow(Log(r));
    EXPECT_TRUE(r.HasLine(L"xm Field Notes installed 3 files")) << Narrow(Log(r));
    for (const wchar_t* f : {L"\\readme.txt", L"\\docs\\guide.txt", L"\\docs\\deep\\page.txt", L"\\uninst.exe"})
        EXPECT_TRUE(FileExists(dir + f)) << Narrow(f);
    EXPECT_EQ("Field Notes keeps short notes.\n", ReadFileBytes(dir + L"\\readme.txt"));
    EXPECT_EQ(L"Field Notes", UninstallText(L"DisplayName"));
    EXPECT_EQ(L"\"" + dir + L"\\uninst.exe\" /S", UninstallText(L"QuietUninstallString"));

    // A file of the user's in a product folder is kept, and so is that folder.
    ASSERT_TRUE(WriteFileBytes(dir + L"\\docs\\mine.txt", "mine"));
    ORBRunOptions uninstall;
    uninstall.exe = dir + L"\\uninst.exe";
    uninstall.arguments = L"/S";
    uninstall.timeoutMs = 120000;
    ORBRunResult u = ORBRunSetup(uninstall);
    EXPECT_EQ(1u, u.exitCode) << Narrow(Log(u));
    EXPECT_FALSE(FileExists(dir + L"\\readme.txt"));
    EXPECT_FALSE(FileExists(dir + L"\\docs\\deep"));
    EXPECT_FALSE(FileExists(dir + L"\\uninst.exe"));
    EXPECT_TRUE(FileExists(dir + L"\\docs\\mine.txt"));
    EXPECT_EQ(L"<missing>", UninstallText(L"DisplayName"));

    // Without the user's file the second uninstall leaves nothing at all.
    DeleteFileW((dir + L"\\docs\\mine.txt").c_str());
    ASSERT_EQ(1u, RunProduct(L"fieldnotes-setup.exe", setup).exitCode);
    ORBRunResult again = ORBRunSetup(uninstall);
    EXPECT_EQ(1u, again.exitCode) << Narrow(Log(again));
    EXPECT_FALSE(FileExists(dir)) << Narrow(Log(again));
}
