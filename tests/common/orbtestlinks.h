// Presents names as links, placeholders or hard-linked files to the file operations,
// which Wine cannot make: its links are no reparse points.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "orblinks.h"

class ScopedFakeLinks {
public:
    ScopedFakeLinks() { ORBSetFactsHook(&Apply); }
    ~ScopedFakeLinks() {
        ORBSetFactsHook(nullptr);
        Table().clear();
    }
    // path (as given to the operation, any case) shows as a reparse point with tag.
    void Reparse(const std::wstring& path, DWORD tag) { Table().push_back({path, {tag, 0}}); }
    // path shows as one of links names of its file.
    void HardLinks(const std::wstring& path, DWORD links) { Table().push_back({path, {0, links}}); }

private:
    static std::vector<std::pair<std::wstring, std::pair<DWORD, DWORD>>>& Table() {
        static std::vector<std::pair<std::wstring, std::pair<DWORD, DWORD>>> table;
        return table;
    }
    static bool Same(const std::wstring& a, const std::wstring& b) {
        // The operations may see the long-path form of the same name.
        std::wstring x = a.compare(0, 4, L"\\\\?\\") == 0 ? a.substr(4) : a;
        return lstrcmpiW(x.c_str(), b.c_str()) == 0;
    }
    static void Apply(const std::wstring& path, ORBFileFacts& facts) {
        for (const auto& e : Table()) {
            if (!Same(path, e.first)) continue;
            if (e.second.first) {
                facts.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
                facts.reparseTag = e.second.first;
            }
            if (e.second.second) facts.links = e.second.second;
        }
    }
};
