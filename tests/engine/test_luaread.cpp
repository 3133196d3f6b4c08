// io.read("*n") reads its number with ORBLuaScanNumber (common/lua/orbluaread.h): the
// same number, the same result and the same rest of the file as fscanf("%lf") of the
// C99 scanf it replaces, on ordinary and odd text alike.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "orbluaread.h"
#undef fscanf

namespace {

struct Scan {
    int result = 0;
    double number = -12345.0;
    std::string rest;
};

Scan Read(const std::string& text, bool ours) {
    Scan s;
    FILE* f = std::tmpfile();
    if (!f) return s;
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    s.result = ours ? ORBLuaScanNumber(f, &s.number) : std::fscanf(f, "%lf", &s.number);
    for (int c; (c = std::getc(f)) != EOF;) s.rest += static_cast<char>(c);
    std::fclose(f);
    return s;
}

TEST(LuaReadNumber, ReadsAsTheC99ScanfDoes) {
    const char* inputs[] = {"  12.5 rest", "-3e2x", "+.5", "5.", ".", "-", "+", "", "   \n\t",
                            "0x1A.8p1 z", "0x", "0xg", "0X1p", "0x1P-3", "1e", "1e+", "1e+x", "1e-5",
                            "1E5E5", "inf", "-Infinity!", "infx", "infin", "nan", "NaN(1)", "nax",
                            "abc", "1,5", "1..2", "007", "123456789012345678901234567890", "1e400",
                            "4.9e-324", "0.1", "2.2250738585072011e-308", "9007199254740993",
                            "0.30000000000000004441", "-0", "12\n34"};
    for (const char* in : inputs) {
        SCOPED_TRACE(std::string("input \"") + in + "\"");
        const Scan want = Read(in, false), got = Read(in, true);
        EXPECT_EQ(want.result, got.result);
        EXPECT_EQ(want.rest, got.rest);
        if (want.result == 1 && got.result == 1) {
            if (std::isnan(want.number)) {
                EXPECT_TRUE(std::isnan(got.number));
            } else {
                EXPECT_EQ(0, std::memcmp(&want.number, &got.number, sizeof want.number));
            }
        }
    }
    // Numbers on lines of their own: the first stops at the line break.
    const Scan first = Read("12\n34", true);
    EXPECT_EQ(1, first.result);
    EXPECT_EQ(12.0, first.number);
    EXPECT_EQ("\n34", first.rest);
}

}  // namespace
