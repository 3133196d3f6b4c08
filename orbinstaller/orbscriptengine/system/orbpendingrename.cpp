#include "orbpendingrename.h"

#include <vector>

#include "orbfileops.h"
#include "orbhandle.h"
#include "orblinks.h"
#include "orblog.h"

ORBMoveFileExFn g_orbMoveFileEx = MoveFileExW;

namespace {

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// A path as the list holds it and as the scripts name it compared alike: without the
// "\??\" or "\\?\" prefix, lower case.
std::wstring Comparable(std::wstring path) {
    if (path.compare(0, 4, L"\\??\\") == 0 || path.compare(0, 4, L"\\\\?\\") == 0) path.erase(0, 4);
    if (!path.empty()) CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

// The folder above path passes through no link (the name is taken as it is at the start).
bool ParentIsNoLink(const std::wstring& full) {
    size_t slash = full.find_last_of(L"\\/");
    std::wstring where;
    if (slash == std::wstring::npos || !ORBPathCrossesLink(full.substr(0, slash), &where)) return true;
    ORBLog(L"Fun:Lua_MoveFileAfterReboot, Description:%s passes through the link %s, kept!\r\n", full.c_str(),
           where.c_str());
    return false;
}

std::wstring VolumeOf(const std::wstring& path) {
    std::vector<wchar_t> volume(path.size() + 2, L'\0');
    if (!GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) return std::wstring();
    return Comparable(volume.data());
}

// The entries of the list as (from, to) pairs; to keeps its "!" (replace) mark and is
// empty for a deletion.
std::vector<std::pair<std::wstring, std::wstring>> PendingEntries() {
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    ORBRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return entries;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return entries;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return entries;
    // Pairs one after the other; the second of a pair is empty for a deletion, so only
    // an empty first string ends the list.
    const size_t n = size / sizeof(wchar_t);
    size_t at = 0;
    auto next = [&] {
        std::wstring text;
        while (at < n && data[at] != L'\0') text += data[at++];
        ++at;
        return text;
    };
    while (at < n) {
        std::wstring from = next();
        if (from.empty()) break;
        entries.emplace_back(from, at < n ? next() : std::wstring());
    }
    return entries;
}

}  // namespace

bool ORBPendingRenameScheduled(const std::wstring& from, const std::wstring& to) {
    std::vector<std::pair<std::wstring, std::wstring>> entries = PendingEntries();
    std::wstring f = Comparable(ORBFullPath(from));
    std::wstring t = to.empty() ? std::wstring() : Comparable(ORBFullPath(to));
    // The last entry for a name is the one that counts at the start.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (Comparable(it->first) != f) continue;
        std::wstring target = it->second;
        if (!target.empty() && target[0] == L'!') target.erase(0, 1);
        return Comparable(target) == t;
    }
    return false;
}

bool ORBMoveFileAfterReboot(const std::wstring& fromArg, const std::wstring& toArg) {
    std::wstring from = ORBFullPath(fromArg);
    std::wstring to = toArg.empty() ? std::wstring() : ORBFullPath(toArg);
    ORBLog(L"Lua_MoveFileAfterReboot %s -> %s\r\n", from.c_str(), to.empty() ? L"(delete)" : to.c_str());
    if (!ORBPathExists(from)) {
        ORBLog(L"Fun:Lua_MoveFileAfterReboot, Description:%s it's not exists!\r\n", from.c_str());
        return false;
    }
    if (!ParentIsNoLink(from) || (!to.empty() && !ParentIsNoLink(to))) return false;
    // Renames at the start cannot copy: both names must be on one volume.
    if (!to.empty() && VolumeOf(from) != VolumeOf(to)) {
        ORBLog(L"Fun:Lua_MoveFileAfterReboot, Description:%s and %s are on different volumes\r\n", from.c_str(),
               to.c_str());
        return false;
    }
    DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (to.empty() ? 0 : MOVEFILE_REPLACE_EXISTING);
    if (!g_orbMoveFileEx(ORBSystemPath(from).c_str(), to.empty() ? nullptr : ORBSystemPath(to).c_str(), flags)) {
        ORB_LOG_FAILURE(L"MoveFileEx failed!");
        return false;
    }
    if (!ORBPendingRenameScheduled(from, to)) {
        ORBLog(L"Fun:Lua_MoveFileAfterReboot, Description:%s is not in the pending renames\r\n", from.c_str());
        return false;
    }
    return true;
}
