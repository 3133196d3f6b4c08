#include "orbdialogtext.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "orbenvexpand.h"
#include "orbhosttext.h"
#include "orbplaceholder.h"

bool ORBFindPlaceholder(const std::wstring& text, std::wstring& token, std::wstring& name) {
    return ORBUE::FindPlaceholder(text, token, name);
}

std::wstring ORBReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    if (what.empty()) return text;
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

std::wstring ORBAppendBaseName(const std::wstring& chosen, const std::wstring& baseName) {
    size_t cut = chosen.find_last_of(L"\\/");
    std::wstring last = cut == std::wstring::npos ? chosen : chosen.substr(cut + 1);
    if (last == baseName) return chosen;
    std::wstring result = chosen;
    if (result.empty() || (result.back() != L'\\' && result.back() != L'/')) result += L'\\';
    return result + baseName;
}

std::wstring ORBBackupFolderChoice(const std::wstring& chosen) {
    return chosen.size() == 3 ? chosen + L"DarevudEzazir" : chosen;
}

std::wstring ORBTrimTrailingBackslash(const std::wstring& path) {
    if (path.empty() || path.back() != L'\\') return path;
    if (path.size() == 3 && path[1] == L':') return path;  // C:\ keeps its backslash
    return path.substr(0, path.size() - 1);
}

bool ORBHasDriveLetter(const std::wstring& path) {
    return path.size() >= 2 && iswalpha(path[0]) && path[0] < 0x80 && path[1] == L':';
}

bool ORBValidateFolder(const std::wstring& path) {
    if (!ORBHasDriveLetter(path) || path.size() < 3 || (path[2] != L'\\' && path[2] != L'/')) return false;
    int rc = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_EXISTS || rc == ERROR_ALREADY_EXISTS;
}

namespace {

// Full form of path with references expanded and "..", "." and doubled separators
// resolved; empty when the system cannot make one.
std::wstring FullFolderPath(const std::wstring& path) {
    const std::wstring expanded = ORBExpandEnvString(path);
    DWORD size = GetFullPathNameW(expanded.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::wstring full(size, L'\0');
    DWORD len = GetFullPathNameW(expanded.c_str(), size, &full[0], nullptr);
    if (len == 0 || len >= size) return std::wstring();
    full.resize(len);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    return full;
}

bool SameOrInside(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                             static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL)
        return false;
    return path.size() == folder.size() || path[folder.size()] == L'\\' || path[folder.size()] == L'/';
}

}  // namespace

bool ORBIsRefusedInstallFolder(const std::wstring& path) {
    std::wstring full = FullFolderPath(path);
    if (full.empty()) return false;  // the other checks refuse what cannot be resolved
    if (full.size() <= 3 && full.size() >= 2 && full[1] == L':') return true;  // C:\ and C:
    wchar_t windows[MAX_PATH + 1] = {};
    UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);  // never longer than MAX_PATH
    return n > 0 && n <= MAX_PATH && SameOrInside(full, FullFolderPath(windows));
}

bool ORBFreeSpaceSuffices(unsigned long long freeBytes, unsigned long long need) { return freeBytes >= need; }

bool ORBParseByteCount(const std::wstring& text, unsigned long long& bytes) {
    if (text.empty()) return false;
    unsigned long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        unsigned digit = static_cast<unsigned>(c - L'0');
        if (value > (~0ULL - digit) / 10) return false;
        value = value * 10 + digit;
    }
    bytes = value;
    return true;
}

std::wstring ORBFormatNeedSpaceMessage(unsigned long long bytes) {
    // Single precision on purpose: the figure is the count as a float divided twice by 1024.
    float mb = static_cast<float>(bytes) * (1.0f / 1024) * (1.0f / 1024);
    wchar_t figure[64] = {};
    // The system C runtime's formatter: the library's wide printf is 12 KB of every setup.
    _snwprintf(figure, 63, L"%0.2f", static_cast<double>(mb));
    // The figure goes in by plain replacement: an overriding text is no format string.
    std::wstring text = ORBHostText(ORBText::kNeedSpace);
    const size_t at = text.find(L"%0.2f");
    return at == std::wstring::npos ? text : text.replace(at, 5, figure);
}

std::wstring ORBInitialBrowseFolder(const std::wstring& text, const std::wstring& fallback) {
    if (text.empty()) return fallback;
    if (GetFileAttributesW(text.c_str()) != INVALID_FILE_ATTRIBUTES) return text;
    size_t cut = text.find_last_of(L"\\/");
    if (cut != std::wstring::npos) {
        std::wstring parent = text.substr(0, cut);
        if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
        if (GetFileAttributesW(parent.c_str()) != INVALID_FILE_ATTRIBUTES) return parent;
    }
    return fallback;
}

namespace {

// The bar's whole run in ms per payload byte (about 3.2 MB a second): the pace the bar
// assumes for unpacking and installing, so that it ends about when the installation
// does. One step of the hundred is a hundredth of the run.
constexpr double kInstallMsPerPayloadByte = 0.000309651279221807;

}  // namespace

unsigned ORBProgressStepInterval(unsigned long long payloadBytes) {
    return static_cast<unsigned>(static_cast<double>(payloadBytes) * kInstallMsPerPayloadByte / 100);
}
