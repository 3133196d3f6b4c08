#include "orbuserlaunch.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlguid.h>

#include "orbhandle.h"
#include "orblog.h"

namespace {

bool RunningAsSystem() {
    ORBHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    alignas(TOKEN_USER) BYTE buf[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buf, sizeof buf, &size)) return false;
    return IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buf)->User.Sid, WinLocalSystemSid) != FALSE;
}

bool InteractiveDesktop() {
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    return station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
           (flags.dwFlags & WSF_VISIBLE);
}

// The desktop window's shell dispatch object, through its folder view.
HRESULT DesktopShell(IShellDispatch2** out) {
    *out = nullptr;
    ORBComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  windows.put_void());
    if (FAILED(hr)) return hr;
    VARIANT location = {};
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT empty = {};
    long hwnd = 0;
    ORBComPtr<IDispatch> found;
    hr = windows->FindWindowSW(&location, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, found.put());
    if (hr != S_OK || !found) return FAILED(hr) ? hr : E_FAIL;
    ORBComPtr<IServiceProvider> provider;
    if (FAILED(hr = found->QueryInterface(IID_IServiceProvider, provider.put_void()))) return hr;
    ORBComPtr<IShellBrowser> browser;
    if (FAILED(hr = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void()))) return hr;
    ORBComPtr<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(view.put()))) return hr;
    ORBComPtr<IDispatch> background;
    if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void()))) return hr;
    ORBComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void()))) return hr;
    ORBComPtr<IDispatch> application;
    if (FAILED(hr = folderView->get_Application(application.put()))) return hr;
    return application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(out));
}

VARIANT Text(BSTR s) {
    VARIANT v = {};
    v.vt = VT_BSTR;
    v.bstrVal = s;
    return v;
}

}  // namespace

ORBTokenCheckFn g_orbTokenIsUsers = ORBTokenIsUsers;

std::wstring ORBUserStartRefusal() {
    if (RunningAsSystem()) return L"running as SYSTEM";
    if (!InteractiveDesktop()) return L"no interactive desktop";
    return std::wstring();
}

bool ORBStartForUser(const std::wstring& file, const std::wstring& params, const std::wstring& dir) {
    std::wstring refusal = ORBUserStartRefusal();
    if (!refusal.empty()) {
        ORBLog(L"Start of %s skipped: %s\r\n", file.c_str(), refusal.c_str());
        return false;
    }
    ORBComScope com;
    ORBComPtr<IShellDispatch2> shell;
    HRESULT hr = DesktopShell(shell.put());
    if (SUCCEEDED(hr)) {
        ORBBstr f(SysAllocString(file.c_str()));
        ORBBstr p(SysAllocString(params.c_str()));
        ORBBstr d(SysAllocString(dir.c_str()));
        ORBBstr verb(SysAllocString(L"open"));
        VARIANT show = {};
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        hr = f && p && d && verb ? shell->ShellExecute(f.get(), Text(p.get()), Text(d.get()), Text(verb.get()), show)
                                 : E_OUTOFMEMORY;
        if (SUCCEEDED(hr)) {
            ORBLog(L"Started %s for the signed-in user through the desktop shell\r\n", file.c_str());
            return true;
        }
    }
    // No desktop shell to hand the start to (another shell, or none yet): a setup that
    // is not elevated runs with the user's own token and may start it itself; an
    // elevated one has no way to the user's token and starts nothing.
    if (!g_orbTokenIsUsers()) {
        ORBLog(L"Start of %s skipped: the desktop shell cannot be reached (0x%08lx) and the setup runs elevated\r\n",
               file.c_str(), static_cast<unsigned long>(hr));
        return false;
    }
    ORBLog(L"Desktop shell start of %s not possible (0x%08lx); starting it directly\r\n", file.c_str(),
           static_cast<unsigned long>(hr));
    HINSTANCE rc = ShellExecuteW(nullptr, L"open", file.c_str(), params.empty() ? nullptr : params.c_str(),
                                 dir.empty() ? nullptr : dir.c_str(), SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(rc) <= 32) {
        ORBLog(L"ShellExecute failed for %s, code:%d\r\n", file.c_str(), static_cast<int>(reinterpret_cast<INT_PTR>(rc)));
        return false;
    }
    return true;
}

bool ORBTokenIsUsers() {
    ORBHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    // Unknown counts as elevated: nothing is started with a token that may be the setup's.
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return false;
    return !elevation.TokenIsElevated && !RunningAsSystem();
}
