#include "orbprocesstoolhelp.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "orblog.h"

namespace {

constexpr DWORD kCloseWaitMs = 3000;
// Longest NT path an image name or device name can have.
constexpr DWORD kMaxNtPath = 32768;

// Calls fn(entry) for each snapshot entry that may be compared with a name: id 0 is
// skipped, and so is the first process with an id (the system process).
template <typename Fn>
void WalkSnapshot(HANDLE snapshot, Fn fn) {
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W pe;
    pe.dwSize = sizeof(pe);
    bool sawSystem = false;
    for (BOOL ok = Process32FirstW(snapshot, &pe); ok; ok = Process32NextW(snapshot, &pe)) {
        if (pe.th32ProcessID == 0) continue;
        if (!sawSystem) {
            sawSystem = true;
            continue;
        }
        if (!fn(pe)) break;
    }
}

BOOL CALLBACK PostCloseToWindow(HWND hwnd, LPARAM lParam) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == static_cast<DWORD>(lParam)) {
        PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

// Image name of an open process in device form; the buffer grows with the answer.
bool ImageFileName(HANDLE process, std::wstring& name) {
    for (DWORD size = MAX_PATH;; size *= 2) {
        name.assign(size, L'\0');
        DWORD n = GetProcessImageFileNameW(process, &name[0], size);
        if (n > 0 && n < size - 1) {
            name.resize(n);
            return true;
        }
        if ((n == 0 && GetLastError() != ERROR_INSUFFICIENT_BUFFER) || size >= kMaxNtPath) return false;
    }
}

// First device name behind a drive ("C:"); false when it has none.
bool DeviceOfDrive(const std::wstring& drive, std::wstring& device) {
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::wstring buf(size, L'\0');
        if (QueryDosDeviceW(drive.c_str(), &buf[0], size) != 0) {
            device.assign(buf.c_str());
            return !device.empty();
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size >= kMaxNtPath) return false;
    }
}

}  // namespace

bool ORBProcessToolHelp::EnablePrivilege(const wchar_t* name, bool enable) {
    ORBHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put())) {
        ORB_LOG_FAILURE(L"OpenProcessToken failed!");
        return false;
    }
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    if (!LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid)) {
        ORB_LOG_FAILURE(L"LookupPrivilegeValue failed!");
        return false;
    }
    tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    // The call succeeds without enabling anything when the token lacks the privilege:
    // it then says so with ERROR_NOT_ALL_ASSIGNED.
    if (!AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof(tp), nullptr, nullptr) ||
        GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
        ORB_LOG_FAILURE(L"AdjustTokenPrivileges failed!");
        return false;
    }
    return true;
}

namespace {

// Enables a privilege while it lives and restores the token's earlier state after, so
// the process holds it only around the call that needs it.
class ScopedPrivilege {
public:
    explicit ScopedPrivilege(const wchar_t* name) {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) return;
        TOKEN_PRIVILEGES tp = {};
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid)) return;
        DWORD size = sizeof previous_;
        adjusted_ = AdjustTokenPrivileges(token_.get(), FALSE, &tp, sizeof tp, &previous_, &size) &&
                    GetLastError() == ERROR_SUCCESS;
    }
    ~ScopedPrivilege() {
        if (!adjusted_) return;
        DWORD err = GetLastError();
        AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
        SetLastError(err);
    }
    ScopedPrivilege(const ScopedPrivilege&) = delete;
    ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;

private:
    ORBHandle token_;
    TOKEN_PRIVILEGES previous_ = {};
    bool adjusted_ = false;
};

}  // namespace

bool ORBProcessToolHelp::Snapshot() {
    snapshot_.reset();
    snapshot_.reset(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    return static_cast<bool>(snapshot_);
}

std::vector<DWORD> ORBProcessToolHelp::FindProcessesByName(const wchar_t* name) const {
    std::vector<DWORD> ids;
    WalkSnapshot(snapshot_.get(), [&](const PROCESSENTRY32W& pe) {
        if (lstrcmpiW(pe.szExeFile, name) == 0) ids.push_back(pe.th32ProcessID);
        return true;
    });
    return ids;
}

long long ORBProcessToolHelp::FindProcessByName(const wchar_t* name) const {
    long long id = -1;
    WalkSnapshot(snapshot_.get(), [&](const PROCESSENTRY32W& pe) {
        if (lstrcmpiW(pe.szExeFile, name) != 0) return true;
        id = pe.th32ProcessID;
        return false;
    });
    return id;
}

bool ORBProcessToolHelp::BuildDeviceMap() {
    DWORD size = GetLogicalDriveStringsW(0, nullptr);
    std::wstring drives(size + 1, L'\0');
    DWORD n = size ? GetLogicalDriveStringsW(size, &drives[0]) : 0;
    if (n == 0 || n > size) {
        ORB_LOG_FAILURE(L"GetLogicalDriveStrings failed");
        return false;
    }
    for (const wchar_t* p = drives.c_str(); *p; p += wcslen(p) + 1) {
        std::wstring drive(p, 2);  // "C:\" -> "C:"
        std::wstring device;
        if (drive[1] == L':' && DeviceOfDrive(drive, device)) devices_[device] = drive;
    }
    return true;
}

bool ORBProcessToolHelp::ImagePathFromPid(DWORD pid, std::wstring& path) {
    ORBHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    std::wstring image;
    if (!process || !ImageFileName(process.get(), image)) return false;
    if (devices_.empty()) BuildDeviceMap();
    path = image;
    // Dropping an unknown device would leave a rootless path that looks valid.
    if (!DrivePath(devices_, path)) ORBLog(L"No drive for device path %s, keeping it\r\n", image.c_str());
    return true;
}

bool ORBProcessToolHelp::DrivePath(const std::map<std::wstring, std::wstring>& devices, std::wstring& path) {
    size_t cut = path.find(L'\\', 1);
    if (cut != std::wstring::npos) cut = path.find(L'\\', cut + 1);
    auto it = devices.find(path.substr(0, cut));
    if (it == devices.end()) return false;
    path = it->second + (cut == std::wstring::npos ? std::wstring() : path.substr(cut));
    return true;
}

bool ORBProcessToolHelp::CloseProcessByPid(DWORD pid) {
    if (pid == 0) return true;
    EnumWindows(PostCloseToWindow, static_cast<LPARAM>(pid));
    ORBHandle process;
    {
        ScopedPrivilege debug(L"SeDebugPrivilege");
        process.reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
        if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    }
    if (WaitForSingleObject(process.get(), kCloseWaitMs) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 0);
    return WaitForSingleObject(process.get(), kCloseWaitMs) == WAIT_OBJECT_0;
}
