// Which stored entry names extraction accepts.
#include "gtest/gtest.h"
#include "orb7zextract.h"
#include "orbtestutil.h"

TEST(EntryNames, OrdinaryNamesAreAccepted) {
    for (const wchar_t* name : {L"a.txt", L"a/b/c.txt", L"Program Files/app/x.dll", L"名字/文件.txt", L".hidden",
                                L"a.b.c", L"CONFIG.SYS", L"COM10", L"console.log", L"nul_file", L"LPT", L"a\\b.txt",
                                L"x..y"})
        EXPECT_TRUE(ORB7zEntryNameIsSafe(name)) << Narrow(name);
}

TEST(EntryNames, NamesLeavingTheDestinationOrNamingDevicesAreRefused) {
    for (const wchar_t* name : {L"", L".", L"..", L"../x", L"a/../../x", L"a/./b", L"/x", L"\\x", L"x/", L"C:x",
                                L"C:\\x", L"\\\\srv\\share\\x", L"\\\\?\\C:\\x", L"f.txt:ads", L"f.txt::$DATA",
                                L"CON", L"con.txt", L"Nul", L"AUX.tar.gz", L"PRN ", L"COM1", L"lpt9.x",
                                L"COM\u00B9", L"CONIN$", L"a/COM3/b", L"trail.", L"trail ", L"q?.txt",
                                L"a<b", L"pipe|x", L"ctl\x1f"})
        EXPECT_FALSE(ORB7zEntryNameIsSafe(name)) << Narrow(name);
}
