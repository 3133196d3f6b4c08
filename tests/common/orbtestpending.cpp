#include "orbtestpending.h"

#include <windows.h>

#include "orbhandle.h"

namespace {

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPending[] = L"PendingFileRenameOperations";

// The raw value, every terminator kept.
std::vector<wchar_t> RawValue() {
    ORBRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), kPending, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key.get(), kPending, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size / sizeof(wchar_t));
    return data;
}

std::wstring Lower(std::wstring s) {
    if (!s.empty()) CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

}  // namespace

std::vector<std::pair<std::wstring, std::wstring>> PendingRenames() {
    std::vector<wchar_t> data = RawValue();
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    size_t at = 0;
    auto next = [&] {
        std::wstring text;
        while (at < data.size() && data[at] != L'\0') text += data[at++];
        ++at;
        return text;
    };
    while (at < data.size()) {
        std::wstring from = next();
        if (from.empty()) break;
        pairs.emplace_back(from, next());
    }
    return pairs;
}

bool HasPendingRename(const std::wstring& from, const std::wstring& to) {
    for (const auto& p : PendingRenames())
        if (Lower(p.first) == Lower(L"\\??\\" + from) && Lower(p.second) == Lower(to.empty() ? L"" : L"!\\??\\" + to))
            return true;
    return false;
}

void ForgetPendingRenames(const std::wstring& folder) {
    std::wstring mark = Lower(folder);
    std::wstring kept;
    for (const auto& p : PendingRenames()) {
        if (Lower(p.first).find(mark) != std::wstring::npos || Lower(p.second).find(mark) != std::wstring::npos)
            continue;
        kept += p.first;
        kept += L'\0';
        kept += p.second;
        kept += L'\0';
    }
    kept += L'\0';
    ORBRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    if (kept.size() == 1)
        RegDeleteValueW(key.get(), kPending);
    else
        RegSetValueExW(key.get(), kPending, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}
