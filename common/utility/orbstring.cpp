#include "orbstring.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

std::wstring ToWide(UINT codePage, const char* text, std::ptrdiff_t len) {
    if (!text) return std::wstring();
    if (len < 0) len = static_cast<std::ptrdiff_t>(std::strlen(text));
    if (len == 0) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text, static_cast<int>(len), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text, static_cast<int>(len), &out[0], n);
    return out;
}

std::string ToNarrow(UINT codePage, const wchar_t* text, std::ptrdiff_t len) {
    if (!text) return std::string();
    if (len < 0) len = static_cast<std::ptrdiff_t>(std::wcslen(text));
    if (len == 0) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text, static_cast<int>(len), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring ORBUtf8ToWide(const char* text, std::ptrdiff_t len) { return ToWide(CP_UTF8, text, len); }
std::string ORBWideToUtf8(const wchar_t* text, std::ptrdiff_t len) { return ToNarrow(CP_UTF8, text, len); }
std::string ORBWideToAnsi(const wchar_t* text, std::ptrdiff_t len) { return ToNarrow(CP_THREAD_ACP, text, len); }
std::wstring ORBAnsiToWide(const char* text, std::ptrdiff_t len) { return ToWide(CP_THREAD_ACP, text, len); }

std::wstring ORBDecimal(long long n) {
    unsigned long long u = n < 0 ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + u % 10));
        u /= 10;
    } while (u);
    if (n < 0) digits.insert(digits.begin(), L'-');
    return digits;
}
