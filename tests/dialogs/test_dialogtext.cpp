// The dialogs' text and path rules.
#include "gtest/gtest.h"
#include "orbdialogtext.h"
#include "orbscriptengine.h"
#include "orbtestutil.h"

TEST(DialogText, PlaceholderIsTheFirstDollarPair) {
    std::wstring token, name;
    ASSERT_TRUE(ORBFindPlaceholder(L"$global_install_path$", token, name));
    EXPECT_EQ(L"$global_install_path$", token);
    EXPECT_EQ(L"global_install_path", name);
    ASSERT_TRUE(ORBFindPlaceholder(L"x $a$ y $b$", token, name));
    EXPECT_EQ(L"a", name);
    EXPECT_FALSE(ORBFindPlaceholder(L"costs $5", token, name));
    EXPECT_FALSE(ORBFindPlaceholder(L"plain", token, name));
    EXPECT_EQ(L"v and v", ORBReplaceAll(L"$a$ and $a$", L"$a$", L"v"));
    // A value holding the token is not replaced again.
    EXPECT_EQ(L"$a$!", ORBReplaceAll(L"$a$", L"$a$", L"$a$!"));
}

TEST(DialogText, BrowseRulesForInstallAndBackupFolders) {
    EXPECT_EQ(L"E:\\Apps\\Tool", ORBAppendBaseName(L"E:\\Apps", L"Tool"));
    EXPECT_EQ(L"E:\\Apps\\Tool", ORBAppendBaseName(L"E:\\Apps\\Tool", L"Tool"));
    EXPECT_EQ(L"E:\\Tool", ORBAppendBaseName(L"E:\\", L"Tool"));
    EXPECT_EQ(L"E:/Apps/Tool", ORBAppendBaseName(L"E:/Apps/", L"Tool"));
    EXPECT_EQ(L"E:\\Apps\\tool\\Tool", ORBAppendBaseName(L"E:\\Apps\\tool", L"Tool"));  // case counts
    EXPECT_EQ(L"F:\\DarevudEzazir", ORBBackupFolderChoice(L"F:\\"));
    EXPECT_EQ(L"F:\\Backup", ORBBackupFolderChoice(L"F:\\Backup"));
}

TEST(DialogText, TrailingBackslashRule) {
    EXPECT_EQ(L"D:\\Programs", ORBTrimTrailingBackslash(L"D:\\Programs\\"));
    EXPECT_EQ(L"D:\\", ORBTrimTrailingBackslash(L"D:\\"));
    EXPECT_EQ(L"D:\\Programs", ORBTrimTrailingBackslash(L"D:\\Programs"));
    EXPECT_EQ(L"D:\\A\\", ORBTrimTrailingBackslash(L"D:\\A\\\\"));  // only one
}

TEST(DialogText, FolderValidationNeedsADriveAndCreatesEveryLevel) {
    ScopedTempDir dir(L"dlgtext");
    EXPECT_FALSE(ORBValidateFolder(L"Programs\\X"));
    EXPECT_FALSE(ORBValidateFolder(L""));
    EXPECT_FALSE(ORBValidateFolder(L"\\\\server\\share\\x"));
    std::wstring deep = dir.file(L"a\\b\\c");
    EXPECT_TRUE(ORBValidateFolder(deep));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(deep.c_str()));
    EXPECT_TRUE(ORBValidateFolder(deep));  // exists already
    WriteFileBytes(dir.file(L"file"), "x");
    EXPECT_FALSE(ORBValidateFolder(dir.file(L"file\\sub")));
}

TEST(DialogText, DriveRelativePathsDriveRootsAndTheWindowsFolderAreRefused) {
    EXPECT_FALSE(ORBValidateFolder(L"C:name"));  // relative to C:'s current folder
    EXPECT_FALSE(ORBValidateFolder(L"C:"));
    wchar_t windows[MAX_PATH + 1];
    ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH + 1), 0u);
    std::wstring win = windows;
    std::wstring root = win.substr(0, 3);
    EXPECT_TRUE(ORBIsRefusedInstallFolder(root));
    EXPECT_TRUE(ORBIsRefusedInstallFolder(win));
    EXPECT_TRUE(ORBIsRefusedInstallFolder(L"%SystemRoot%\\System32\\My Product\\"));
    EXPECT_TRUE(ORBIsRefusedInstallFolder(root + L"Temp\\..\\" + win.substr(3) + L"\\x"));
    EXPECT_FALSE(ORBIsRefusedInstallFolder(win + L"x\\My Product"));
    ScopedTempDir dir(L"dlgtext");
    EXPECT_FALSE(ORBIsRefusedInstallFolder(dir.file(L"My Product")));
}

TEST(DialogText, NeededSpaceParsingAndMessage) {
    unsigned long long n = 0;
    ASSERT_TRUE(ORBParseByteCount(L"104857600", n));
    EXPECT_EQ(104857600ULL, n);
    ASSERT_TRUE(ORBParseByteCount(L"18446744073709551615", n));
    EXPECT_EQ(~0ULL, n);
    EXPECT_FALSE(ORBParseByteCount(L"18446744073709551616", n));
    EXPECT_FALSE(ORBParseByteCount(L"", n));
    EXPECT_FALSE(ORBParseByteCount(L"12MB", n));
    EXPECT_FALSE(ORBParseByteCount(L"-1", n));
    // Exactly the need is enough.
    EXPECT_TRUE(ORBFreeSpaceSuffices(104857600, 104857600));
    EXPECT_FALSE(ORBFreeSpaceSuffices(104857599, 104857600));
    EXPECT_TRUE(ORBFreeSpaceSuffices(0, 0));
    ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
    engine->SetGlobalString("global_language", L"zh-CN");
    EXPECT_EQ(L"磁盘剩余可用空间不足,安装程序需要100.00MB的空间来完成安装！", ORBFormatNeedSpaceMessage(104857600));
    EXPECT_EQ(L"磁盘剩余可用空间不足,安装程序需要0.50MB的空间来完成安装！", ORBFormatNeedSpaceMessage(524288));
    engine->SetGlobalString("global_language", L"en");
    EXPECT_EQ(L"There is not enough free disk space: the setup needs 0.50 MB to complete the installation.",
              ORBFormatNeedSpaceMessage(524288));
    // A product's own text takes the figure where it says %0.2f; other % signs stay as written.
    engine->SetGlobalString("global_text_need_space", L"%s%n: %0.2f MB, 100%");
    EXPECT_EQ(L"%s%n: 0.50 MB, 100%", ORBFormatNeedSpaceMessage(524288));
    engine->SetGlobalString("global_text_need_space", L"");
    engine->SetGlobalString("global_language", L"");
}

TEST(DialogText, InitialBrowseFolderFallsBackToParentThenDefault) {
    ScopedTempDir dir(L"dlgtext");
    EXPECT_EQ(dir.path(), ORBInitialBrowseFolder(dir.path(), L"X:\\fallback"));
    EXPECT_EQ(dir.path(), ORBInitialBrowseFolder(dir.file(L"missing"), L"X:\\fallback"));
    EXPECT_EQ(L"X:\\fallback", ORBInitialBrowseFolder(dir.file(L"missing\\deeper"), L"X:\\fallback"));
    EXPECT_EQ(L"X:\\fallback", ORBInitialBrowseFolder(L"", L"X:\\fallback"));
}

TEST(DialogText, ProgressIntervalFollowsThePayloadSize) {
    EXPECT_EQ(9u, ORBProgressStepInterval(3196448));
    EXPECT_EQ(0u, ORBProgressStepInterval(0));
    EXPECT_EQ(309u, ORBProgressStepInterval(99800000));
}
