// Downloads of the installer functions, with an optional check of what arrived.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// What a downloaded file must be; an empty field is not checked.
struct ORBDownloadCheck {
    std::wstring sha256;      // 64 hexadecimal digits, any case
    bool hasSize = false;
    uint64_t size = 0;        // bytes
    bool Any() const { return hasSize || !sha256.empty(); }
};

// True when text is a SHA-256 as 64 hexadecimal digits.
bool ORBIsSha256Hex(const std::wstring& text);

// SHA-256 of the file behind handle (read from its start) as 64 lower-case digits, and
// its size; false (logged) when it cannot be read or bcrypt.dll (System32) fails.
bool ORBFileSha256(HANDLE file, std::wstring& hex, uint64_t& size);

// Downloads url to path and waits for the end; false (logged) on failure. With a check,
// the file arrives beside path as "<path>.download" and takes path's name only when
// size and digest match; otherwise both names are deleted, so a file at path is always
// a checked one. A malformed digest downloads nothing.
bool ORBDownloadToFile(const std::wstring& url, const std::wstring& path,
                       const ORBDownloadCheck& check = ORBDownloadCheck());
