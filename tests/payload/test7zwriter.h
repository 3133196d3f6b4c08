// Writes small 7z archives (stored, one solid block or one block per file) with any entry names, times and
// attributes, so tests can build archives no archiver would make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Test7zEntry {
    std::wstring name;       // as stored: "/" between parts, or anything hostile
    std::string data;
    bool isDir = false;
    uint32_t attributes = 0;  // stored when non-zero
    uint64_t mtime = 0;       // FILETIME ticks, stored when non-zero
};

// The archive bytes; badCrc stores a wrong checksum for the first file's data;
// nonSolid gives each file a block of its own.
std::string Make7z(const std::vector<Test7zEntry>& entries, bool badCrc = false, bool nonSolid = false);

inline Test7zEntry File7z(const std::wstring& name, const std::string& data) {
    Test7zEntry e;
    e.name = name;
    e.data = data;
    return e;
}
