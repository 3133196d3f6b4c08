// Text conversions at the script boundary: UTF-8 in scripts, UTF-16 in the host.
#pragma once

#include <string>

// UTF-8 to UTF-16; null gives the empty string. len -1: up to the terminator.
std::wstring ORBUtf8ToWide(const char* text, std::ptrdiff_t len = -1);
inline std::wstring ORBUtf8ToWide(const std::string& text) {
    return ORBUtf8ToWide(text.data(), static_cast<std::ptrdiff_t>(text.size()));
}

// UTF-16 to UTF-8; null gives the empty string. len -1: up to the terminator.
std::string ORBWideToUtf8(const wchar_t* text, std::ptrdiff_t len = -1);
inline std::string ORBWideToUtf8(const std::wstring& text) {
    return ORBWideToUtf8(text.data(), static_cast<std::ptrdiff_t>(text.size()));
}

// UTF-16 to and from the thread's ANSI code page (CP_THREAD_ACP); unmappable
// characters become the code page's default character.
std::string ORBWideToAnsi(const wchar_t* text, std::ptrdiff_t len = -1);
std::wstring ORBAnsiToWide(const char* text, std::ptrdiff_t len = -1);

// Decimal digits of n, a minus sign first when negative. (std::to_wstring would bring the
// wide printf family into every setup.)
std::wstring ORBDecimal(long long n);
