#include "orbcompletedlg.h"

#include <shellapi.h>

#include "orbcontrols.h"
#include "orbdialogtext.h"
#include "orblog.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbuserlaunch.h"

using namespace ORBUE;

namespace {
ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }
}  // namespace

std::wstring ORBCompleteDlg::ProgramPath(const std::wstring& installPath, const std::wstring& appName) {
    std::wstring expanded = installPath;
    DWORD n = ExpandEnvironmentStringsW(installPath.c_str(), nullptr, 0);
    if (n > 0) {
        std::wstring buffer(n, L'\0');
        DWORD got = ExpandEnvironmentStringsW(installPath.c_str(), &buffer[0], n);
        if (got > 0 && got <= n) expanded.assign(buffer.c_str());
    }
    return expanded + L"\\" + appName;
}

void ORBCompleteDlg::OnStart() {
    ContainerUIObjectImpl* body = FindContainerIn(Root(), L"Body");
    if (!body) return;
    const bool startupVisible = Engine()->GetGlobalBoolean("global_startup_check_visable");
    const bool startupChecked = Engine()->GetGlobalBoolean("global_startup_check");
    if (auto* startup = FindControlIn<CheckBoxUIObjectImpl>(body, L"StartupChk")) {
        startup->SetVisible(startupVisible);
        startup->SetChecked(startupChecked);
    }
    ContainerUIObjectImpl* list = FindContainerIn(FindContainerIn(body, L"Bind"), L"BindVertCon");
    if (!list) return;
    for (const auto& offer : list->containers()) {
        if (offer->controls().empty()) continue;
        IORBBaseUIObject* first = offer->controls().front().get();
        if (typeid(*first) != typeid(CheckBoxUIObjectImpl)) continue;
        auto* box = static_cast<CheckBoxUIObjectImpl*>(first);
        std::wstring text = box->GetText(), token, name;
        if (!ORBFindPlaceholder(text, token, name)) continue;
        ORBLog(L"%s", name.c_str());
        std::wstring value = Engine()->GetGlobalString(ORBWideToAnsi(name.c_str()).c_str());
        ORBLog(L"%s", value.c_str());
        if (value.empty()) continue;
        box->SetText(ORBReplaceAll(text, token, value));
        offer->SetVisible(true);
    }
}

void ORBCompleteDlg::OnClosing() { PublishCheckBoxes(); }

LRESULT ORBCompleteDlg::OnFinish(UINT, WPARAM, LPARAM, BOOL&) {
    PostMessageW(hwnd_, WM_CLOSE, 1, 0);
    return 0;
}

LRESULT ORBCompleteDlg::OnStartProgram(UINT, WPARAM, LPARAM, BOOL&) {
    // The folder the installation used: the user's choice (InstallPath, which the silent
    // road fills from global_install_path), not the default the settings began with.
    std::wstring folder = Engine()->GetGlobalString("InstallPath");
    if (folder.empty()) folder = Engine()->GetGlobalString("global_install_path");
    std::wstring path = ProgramPath(folder, Engine()->GetGlobalString("global_main_app_name"));
    std::wstring parameters = Engine()->GetGlobalString("global_start_parameter");
    // With the signed-in user's token: the setup itself may run elevated.
    ORBStartForUser(path, parameters, path.substr(0, path.find_last_of(L'\\')));
    PostMessageW(hwnd_, WM_CLOSE, 1, 0);
    return 0;
}

LRESULT ORBCompleteDlg::OnDownload(UINT, WPARAM, LPARAM, BOOL&) {
    std::wstring url = Engine()->GetGlobalString("global_complate_download_url");
    ORBStartForUser(url, L"", L"");
    return 0;
}
