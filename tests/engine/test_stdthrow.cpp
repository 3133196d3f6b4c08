// The standard library's errors that carry a message reach this program as
// std::bad_alloc (common/utility/orbstdthrow.cpp): a bad size or position still ends
// in an exception the catch sites take, never past them.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

TEST(StdErrors, SizeAndPositionErrorsAreBadAlloc) {
    std::vector<int> v;
    EXPECT_THROW(v.reserve(v.max_size() + 1), std::bad_alloc);
    std::string s("abc");
    EXPECT_THROW(s.substr(5), std::bad_alloc);
    EXPECT_THROW(s.at(3), std::bad_alloc);
    std::wstring w;
    EXPECT_THROW(w.resize(w.max_size() + 1), std::bad_alloc);
    const char* none = nullptr;
    EXPECT_THROW(std::string{none}, std::bad_alloc);
}
