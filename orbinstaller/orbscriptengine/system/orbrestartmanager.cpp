#include "orbrestartmanager.h"

#include <tlhelp32.h>

#include <memory>

#include "orbfileops.h"
#include "orbhandle.h"
#include "orblibrary.h"
#include "orblog.h"
#include "orbprocesstoolhelp.h"

namespace {

// How long a program asked to close (fallback road) may take before it counts as
// refusing; RmShutdown has its own timeouts.
constexpr DWORD kGraceMs = 5000;

std::wstring LowerPath(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring OwnImage() {
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::wstring path(size, L'\0');
        DWORD n = GetModuleFileNameW(nullptr, &path[0], size);
        if (n == 0) return std::wstring();
        if (n < size) return path.substr(0, n);
        if (size > 32768) return std::wstring();
    }
}

// The files worth asking about: existing ones, not this program's own image (a process
// holds its image; the uninstaller runs from the folder it empties).
std::vector<std::wstring> FilesToAsk(const std::vector<std::wstring>& files) {
    std::wstring self = LowerPath(OwnImage());
    std::vector<std::wstring> out;
    for (const std::wstring& f : files) {
        if (f.empty() || !ORBPathExists(f)) continue;
        std::wstring full = ORBFullPath(f);
        if (LowerPath(full) != self) out.push_back(full);
    }
    return out;
}

const wchar_t* KindName(RM_APP_TYPE type) {
    switch (type) {
        case RmMainWindow:
        case RmOtherWindow: return L"window";
        case RmService: return L"service";
        case RmExplorer: return L"explorer";
        case RmConsole: return L"console";
        case RmCritical: return L"critical";
        default: return L"other";
    }
}

// One Restart Manager session; ended when the object goes.
class RmSession {
public:
    explicit RmSession(const ORBRmApi& api) : api_(api) {}
    ~RmSession() {
        if (open_) api_.endSession(handle_);
    }
    RmSession(const RmSession&) = delete;
    RmSession& operator=(const RmSession&) = delete;

    const ORBRmApi& api() const { return api_; }
    DWORD handle() const { return handle_; }

    // Starts the session and registers files; false (logged) when either fails.
    bool Start(const std::vector<std::wstring>& files) {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        DWORD rc = api_.startSession(&handle_, 0, key);
        if (rc != ERROR_SUCCESS) {
            ORBLog(L"RmStartSession failed, errcode: %lu\r\n", rc);
            return false;
        }
        open_ = true;
        std::vector<LPCWSTR> names;
        for (const std::wstring& f : files) names.push_back(f.c_str());
        rc = api_.registerResources(handle_, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr);
        if (rc != ERROR_SUCCESS) {
            ORBLog(L"RmRegisterResources failed, errcode: %lu\r\n", rc);
            return false;
        }
        return true;
    }

    // The holders the session sees (this process left out); false (logged) on failure.
    bool List(std::vector<ORBFileUser>& users) {
        std::vector<RM_PROCESS_INFO> info;
        for (int round = 0; round < 5; ++round) {
            UINT needed = 0, count = static_cast<UINT>(info.size());
            DWORD reasons = 0;
            DWORD rc = api_.getList(handle_, &needed, &count, info.empty() ? nullptr : info.data(), &reasons);
            if (rc == ERROR_MORE_DATA) {
                info.resize(needed + 4);  // the list may grow between the calls
                continue;
            }
            if (rc != ERROR_SUCCESS) {
                ORBLog(L"RmGetList failed, errcode: %lu\r\n", rc);
                return false;
            }
            if (count > info.size()) count = static_cast<UINT>(info.size());
            ORBProcessToolHelp helper;
            for (UINT i = 0; i < count; ++i) {
                const RM_PROCESS_INFO& p = info[i];
                if (p.Process.dwProcessId == GetCurrentProcessId()) continue;
                ORBFileUser u;
                u.pid = p.Process.dwProcessId;
                u.name = p.strAppName;
                u.service = p.strServiceShortName;
                u.kind = KindName(p.ApplicationType);
                u.restartable = p.bRestartable != FALSE;
                if (!helper.ImagePathFromPid(u.pid, u.image)) u.image.clear();
                users.push_back(std::move(u));
            }
            return true;
        }
        ORBLog(L"RmGetList failed, errcode: %lu\r\n", static_cast<DWORD>(ERROR_MORE_DATA));
        return false;
    }

private:
    const ORBRmApi& api_;
    DWORD handle_ = 0;
    bool open_ = false;
};

// The session of the last shutdown, kept for the restart after the install.
std::unique_ptr<RmSession>& KeptSession() {
    static std::unique_ptr<RmSession> session;
    return session;
}

struct WindowSearch {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == s->pid && IsWindowVisible(hwnd)) s->found = true;
    return !s->found;
}

bool HasWindow(DWORD pid) {
    WindowSearch s = {pid, false};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK PostCloseToWindow(HWND hwnd, LPARAM lp) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == static_cast<DWORD>(lp)) {
        PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

void PostClose(DWORD pid) { EnumWindows(PostCloseToWindow, static_cast<LPARAM>(pid)); }

// The fallback: running processes whose image lies in a folder of one of the files.
std::vector<ORBFileUser> UsersByImagePath(const std::vector<std::wstring>& files) {
    std::vector<std::wstring> folders;
    for (const std::wstring& f : files) {
        size_t slash = f.find_last_of(L"\\/");
        if (slash != std::wstring::npos && slash > 0) folders.push_back(LowerPath(f.substr(0, slash + 1)));
    }
    std::vector<ORBFileUser> users;
    if (folders.empty()) return users;
    ORBFileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) {
        ORB_LOG_FAILURE(L"CreateToolhelp32Snapshot failed!");
        return users;
    }
    ORBProcessToolHelp helper;
    PROCESSENTRY32W e = {};
    e.dwSize = sizeof e;
    for (BOOL more = Process32FirstW(snap.get(), &e); more; more = Process32NextW(snap.get(), &e)) {
        if (e.th32ProcessID == 0 || e.th32ProcessID == GetCurrentProcessId()) continue;
        std::wstring image;
        if (!helper.ImagePathFromPid(e.th32ProcessID, image)) continue;
        std::wstring lower = LowerPath(image);
        for (const std::wstring& folder : folders) {
            if (lower.compare(0, folder.size(), folder) != 0) continue;
            ORBFileUser u;
            u.pid = e.th32ProcessID;
            u.image = image;
            u.name = image.substr(image.find_last_of(L"\\/") + 1);
            u.kind = HasWindow(u.pid) ? L"window" : L"other";
            users.push_back(std::move(u));
            break;
        }
    }
    return users;
}

// Asks each process to close (force: then ends it); true when all have ended.
bool CloseByImagePath(const std::vector<ORBFileUser>& users, bool force) {
    bool all = true;
    if (force) {
        for (const ORBFileUser& u : users) all = ORBProcessToolHelp::CloseProcessByPid(u.pid) && all;
        return all;
    }
    std::vector<ORBHandle> processes;
    for (const ORBFileUser& u : users) {
        processes.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, u.pid));
        PostClose(u.pid);
    }
    ULONGLONG end = GetTickCount64() + kGraceMs;
    for (size_t i = 0; i < users.size(); ++i) {
        if (!processes[i]) continue;  // gone already, or not ours to wait for
        ULONGLONG now = GetTickCount64();
        DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        if (WaitForSingleObject(processes[i].get(), left) != WAIT_OBJECT_0) {
            ORBLog(L"%s (process %lu) did not close\r\n", users[i].name.c_str(), users[i].pid);
            all = false;
        }
    }
    return all;
}

template <typename Fn>
bool Bind(Fn& slot, const char* name) {
    slot = ORBSystemFunction<Fn>(L"rstrtmgr.dll", name);
    return slot != nullptr;
}

}  // namespace

const ORBRmApi* ORBSystemRestartManager() {
    static const ORBRmApi* api = [] {
        static ORBRmApi a;
        bool ok = Bind(a.startSession, "RmStartSession") && Bind(a.endSession, "RmEndSession") &&
                  Bind(a.registerResources, "RmRegisterResources") && Bind(a.getList, "RmGetList") &&
                  Bind(a.shutdown, "RmShutdown") && Bind(a.restart, "RmRestart");
        return ok ? &a : nullptr;
    }();
    return api;
}

ORBRmLoaderFn g_orbRmLoader = ORBSystemRestartManager;

const wchar_t* ORBFileUsersByName(ORBFileUsersBy by) {
    return by == ORBFileUsersBy::kRestartManager ? L"restartmanager" : L"imagepath";
}

std::vector<ORBFileUser> ORBFindFileUsers(const std::vector<std::wstring>& filesArg, ORBFileUsersBy* by) {
    std::vector<std::wstring> files = FilesToAsk(filesArg);
    std::vector<ORBFileUser> users;
    if (by) *by = ORBFileUsersBy::kImagePath;
    if (files.empty()) return users;
    if (const ORBRmApi* api = g_orbRmLoader()) {
        RmSession session(*api);
        if (session.Start(files) && session.List(users) && !users.empty()) {
            if (by) *by = ORBFileUsersBy::kRestartManager;
            return users;
        }
        users.clear();
    } else {
        ORBLog(L"The Restart Manager is not available; looking for programs by image path\r\n");
    }
    return UsersByImagePath(files);
}

ORBCloseResult ORBCloseFileUsers(const std::vector<std::wstring>& filesArg, bool force) {
    ORBCloseResult result;
    std::vector<std::wstring> files = FilesToAsk(filesArg);
    if (files.empty()) return result;
    if (const ORBRmApi* api = g_orbRmLoader()) {
        auto session = std::make_unique<RmSession>(*api);
        std::vector<ORBFileUser> users;
        if (session->Start(files) && session->List(users) && !users.empty()) {
            for (const ORBFileUser& u : users)
                ORBLog(L"Closing %s (process %lu) through the Restart Manager\r\n", u.name.c_str(), u.pid);
            result.by = ORBFileUsersBy::kRestartManager;
            result.asked = users.size();
            DWORD rc = api->shutdown(session->handle(), force ? RmForceShutdown : 0, nullptr);
            if (rc != ERROR_SUCCESS) ORBLog(L"RmShutdown failed, errcode: %lu\r\n", rc);
            result.closed = rc == ERROR_SUCCESS;
            KeptSession() = std::move(session);  // ends the previous one
            return result;
        }
    }
    std::vector<ORBFileUser> users = UsersByImagePath(files);
    for (const ORBFileUser& u : users) ORBLog(L"Closing %s (process %lu)\r\n", u.image.c_str(), u.pid);
    result.asked = users.size();
    result.closed = CloseByImagePath(users, force);
    return result;
}

bool ORBRestartFileUsers() {
    std::unique_ptr<RmSession> session = std::move(KeptSession());
    if (!session) return true;
    DWORD rc = session->api().restart(session->handle(), 0, nullptr);
    if (rc == ERROR_SUCCESS) return true;
    ORBLog(L"RmRestart failed, errcode: %lu\r\n", rc);
    return false;
}
