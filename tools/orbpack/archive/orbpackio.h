// The few file operations the archive writer needs, alike on Windows and POSIX hosts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

struct OrbPackFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using OrbPackFile = std::unique_ptr<std::FILE, OrbPackFileCloser>;

// Opens path for reading ("rb") or writing ("wb"); empty when it cannot be opened.
OrbPackFile OrbPackOpen(const std::filesystem::path& path, const char* mode);

struct OrbPackFileInfo {
    enum Kind { kFile, kFolder, kLink, kOther } kind = kOther;  // links are never followed
    uint64_t size = 0;
    uint64_t mtime = 0;  // last write, 100-ns units since 1601 (the FILETIME scale)
    bool readOnly = false;
};

// What path itself is (a link is not followed); false when it cannot be read.
bool OrbPackStat(const std::filesystem::path& path, OrbPackFileInfo& info);

// Moves from over to, replacing an existing file; false on failure.
bool OrbPackReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// path as UTF-8 for messages.
std::string OrbPackDisplay(const std::filesystem::path& path);
