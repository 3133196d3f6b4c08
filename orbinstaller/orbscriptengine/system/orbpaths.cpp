#include "orbpaths.h"

namespace {

// Below this length every file API takes a plain path (CreateDirectoryW stops at
// MAX_PATH - 12).
const size_t kPlainPathMax = MAX_PATH - 12;

}  // namespace

std::wstring ORBFullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    while (n) {
        std::wstring out(n, L'\0');
        DWORD got = GetFullPathNameW(path.c_str(), n, &out[0], nullptr);
        if (got < n) {
            out.resize(got);
            return out;
        }
        n = got;
    }
    return path;
}

std::wstring ORBSystemPath(const std::wstring& path) {
    if (path.size() < kPlainPathMax || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    std::wstring full = ORBFullPath(path);
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

DWORD ORBPathAttributes(const std::wstring& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(ORBSystemPath(path).c_str());
}
