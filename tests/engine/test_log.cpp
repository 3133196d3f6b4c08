// The debug log: prefix, failure records and the line limit.
#include "gtest/gtest.h"
#include "orblog.h"
#include "orbtestutil.h"

TEST(Log, LinesCarryThePrefixAndFailureRecordsTheirThreeEndings) {
    LogCapture log;
    ORBLog(L"value %d and %s", 42, L"text");
    ORBLogFailure(L"OpenSCManager failed!", L"src/x.cpp", 77, 5);
    ORBLogFailureLines(L"message\r\n", L"src/y.cpp", 12, 2);
    std::vector<std::wstring> expected = {
        L"xm value 42 and text",
        L"xm OpenSCManager failed!xm file:src/x.cpp\r\n",
        L"xm OpenSCManager failed!xm line:77\r\n",
        L"xm OpenSCManager failed!xm err:5\r\n",
        L"xm message\r\n",
        L"xm xm file:src/y.cpp\r\n",
        L"xm xm line:12\r\n",
        L"xm xm err:2\r\n",
    };
    EXPECT_EQ(expected, log.lines());
}

TEST(Log, LongTextIsCutToTheLineLimitWithoutSplittingASurrogatePair) {
    LogCapture log;
    std::wstring text(2000, L'a');
    ORBLog(L"%s", text.c_str());
    // A pair that straddles the cut is dropped whole.
    std::wstring pairs(kORBLogLineMax - 5, L'b');
    pairs += L"\U0001F600\U0001F600";
    ORBLog(L"%s", pairs.c_str());
    SetLastError(1234);
    ORBLog(L"short");
    EXPECT_EQ(1234u, GetLastError());  // logging keeps the caller's last error
    auto lines = log.lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(static_cast<size_t>(kORBLogLineMax - 1), lines[0].size());
    EXPECT_EQ(0u, lines[0].find(L"xm aaa"));
    EXPECT_FALSE(IS_HIGH_SURROGATE(lines[1].back()));
    EXPECT_LE(lines[1].size(), static_cast<size_t>(kORBLogLineMax - 1));
    EXPECT_EQ(L"xm short", lines[2]);
}
