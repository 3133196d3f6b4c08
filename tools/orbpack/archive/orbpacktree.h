// The entries of a payload folder, checked and in the archive's order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct OrbPackEntry {
    std::filesystem::path source;
    std::string key;      // UTF-8 name parts joined by '\0': the stable order
    std::u16string name;  // as stored, '/' between parts
    bool isFolder = false;
    bool executable = false;  // gets the x86 filter
    uint64_t size = 0;
    uint64_t mtime = 0;
    uint32_t attributes = 0;
};

// Every file and folder below folder, sorted by key, each name checked against what
// Windows can create (see orbpacknames.h) and against a sibling differing only by case.
// Links and devices are refused. False with the offending path in error.
bool OrbPackScanTree(const std::filesystem::path& folder, std::vector<OrbPackEntry>& entries, std::string& error);
